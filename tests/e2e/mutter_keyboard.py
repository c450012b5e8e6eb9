#!/usr/bin/python3
"""Gives a headless mutter a keyboard: a remote-desktop session adds virtual
input devices to its seat, without which no Wayland client may use the
clipboard. Prints "ready" and keeps the session until killed or SECONDS pass.

    mutter_keyboard.py SECONDS
"""
import sys
import time

import dbus

NAME = 'org.gnome.Mutter.RemoteDesktop'
bus = dbus.SessionBus()
desktop = bus.get_object(NAME, '/org/gnome/Mutter/RemoteDesktop')
path = desktop.CreateSession(dbus_interface=NAME)
session = bus.get_object(NAME, path)
session.Start(dbus_interface=NAME + '.Session')
# The virtual keyboard joins the seat with its first key (Shift, harmless).
for pressed in (True, False):
    session.NotifyKeyboardKeysym(dbus.UInt32(0xffe1), pressed, dbus_interface=NAME + '.Session')
print('ready', flush=True)
time.sleep(float(sys.argv[1]))
