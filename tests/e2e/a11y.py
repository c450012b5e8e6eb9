#!/usr/bin/python3
"""Reads the running editor through the accessibility bus (AT-SPI).

    a11y.py --pid PID [--until VALUE] [--timeout S] QUERY [ARGS]

Queries (each prints one value; with --until it is read again every 50 ms
until it equals VALUE, exit 1 with the last value on stderr at the time-out):

    windows               title of every shown window, one a line
    active                title of the active window
    status                the status bar's labels, one a line
    editor-text           all text of the editing area (line breaks as \\n)
    selection             "START END" of the editing area's selection, or
                          "CARET CARET" when nothing is selected
    focused WINDOW        role and name of the focused object in WINDOW
    field WINDOW INDEX    text of the INDEX-th (from 0) entry field of WINDOW
    font-size             the font size in points of the editing area's first
                          character
    menu-item NAME        "checked"/"unchecked" and "enabled"/"disabled" of
                          the menu item NAME (the caption up to the shortcut)
    menu-open NAME        "open" while the menu under NAME is on screen, else
                          "closed"
    toolbar-edge          where the toolbar stands beside the editing area:
                          top, bottom, left, right or none
    labels WINDOW         names of the labels in WINDOW, one a line
    tree                  the whole tree, for looking around

Action: press WINDOW BUTTON  presses the button named BUTTON in WINDOW.
"""
import argparse
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

POLL_SECONDS = 0.05


class NotThere(Exception):
    """What the query looks for is not (yet) in the tree."""


def role(acc):
    return acc.get_role_name()


def children(acc):
    for i in range(acc.get_child_count()):
        child = acc.get_child_at_index(i)
        if child is not None:
            yield child


def walk(acc, depth=0):
    yield acc, depth
    for child in children(acc):
        yield from walk(child, depth + 1)


def has_state(acc, state):
    return acc.get_state_set().contains(state)


def find_app(pid):
    desktop = Atspi.get_desktop(0)
    for app in children(desktop):
        try:
            if app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away meanwhile
            continue
    raise NotThere(f"no application with pid {pid} on the accessibility bus")


def top_windows(app):
    return [w for w in children(app) if has_state(w, Atspi.StateType.SHOWING)]


def window(app, title):
    for w in top_windows(app):
        if w.get_name() == title:
            return w
    raise NotThere(f"no window titled {title!r}")


def main_window(app):
    for w in children(app):
        if any(role(c) == "menu bar" for c in children(w)):
            return w
    raise NotThere("no main window")


def editor(app):
    for acc, _ in walk(main_window(app)):
        if role(acc) == "text" and has_state(acc, Atspi.StateType.MULTI_LINE):
            return acc
    raise NotThere("no editing area")


def text_of(acc):
    return acc.get_text(0, acc.get_character_count()).replace("\u2029", "\n")


def caption(name):
    return name.split("\t", 1)[0]


def menu_item(app, name):
    for acc, _ in walk(main_window(app)):
        if role(acc) == "menu item" and caption(acc.get_name()) == name:
            return acc
    raise NotThere(f"no menu item {name!r}")


def extents(acc):
    r = acc.get_extents(Atspi.CoordType.SCREEN)
    return r.x, r.y, r.width, r.height


def toolbar(app):
    """The panel holding the toolbar's buttons (its own buttons have no
    names; it is the only object whose children are push buttons)."""
    for acc, _ in walk(main_window(app)):
        if role(acc) == "menu bar":
            continue
        if any(role(c) == "push button" for c in children(acc)):
            return acc
    raise NotThere("no toolbar")


# ------------------------------------------------------------------ queries

def q_windows(app):
    return "\n".join(w.get_name() for w in top_windows(app))


def q_active(app):
    for w in top_windows(app):
        if has_state(w, Atspi.StateType.ACTIVE):
            return w.get_name()
    return ""


def q_status(app):
    for acc, _ in walk(main_window(app)):
        if role(acc) == "status bar":
            return "\n".join(c.get_name() for c in children(acc) if role(c) == "label")
    raise NotThere("no status bar")


def q_editor_text(app):
    return text_of(editor(app))


def q_selection(app):
    ed = editor(app)
    if ed.get_n_selections() > 0:
        r = ed.get_selection(0)
        return f"{r.start_offset} {r.end_offset}"
    caret = ed.get_caret_offset()
    return f"{caret} {caret}"


def q_focused(app, title):
    """The innermost object holding the keyboard focus. A list marks its
    current item focused even while the list itself is not: such an item,
    inside a focusable parent without the focus, does not count."""
    found = ""

    def visit(acc, parent_lacks_focus):
        nonlocal found
        focusable = has_state(acc, Atspi.StateType.FOCUSABLE)
        focused = has_state(acc, Atspi.StateType.FOCUSED)
        if focusable and focused and not parent_lacks_focus:
            found = f"{role(acc)} {acc.get_name()}".rstrip()
        for child in children(acc):
            visit(child, focusable and not focused)

    visit(window(app, title), False)
    return found


def q_field(app, title, index):
    fields = [acc for acc, _ in walk(window(app, title))
              if role(acc) in ("text", "password text") and has_state(acc, Atspi.StateType.EDITABLE)]
    if int(index) >= len(fields):
        raise NotThere(f"{title!r} has {len(fields)} entry fields")
    return text_of(fields[int(index)])


def q_font_size(app):
    ed = editor(app)
    if ed.get_character_count() == 0:
        raise NotThere("the editing area is empty: no character to read the font of")
    attrs, _, _ = ed.get_attribute_run(0, True)
    return attrs.get("size", "")


def q_menu_item(app, name):
    item = menu_item(app, name)
    checked = "checked" if has_state(item, Atspi.StateType.CHECKED) else "unchecked"
    enabled = "enabled" if has_state(item, Atspi.StateType.ENABLED) else "disabled"
    return f"{checked} {enabled}"


def q_menu_open(app, name):
    item = menu_item(app, name)
    for popup in children(item):
        if role(popup) == "popup menu" and has_state(popup, Atspi.StateType.SHOWING):
            return "open"
    return "closed"


def q_toolbar_edge(app):
    bar = toolbar(app)
    if not has_state(bar, Atspi.StateType.SHOWING):
        return "none"
    bx, by, bw, bh = extents(bar)
    ex, ey, ew, eh = extents(editor(app))
    if bw > bh:
        return "top" if by + bh <= ey else "bottom" if by >= ey + eh else "overlapping"
    return "left" if bx + bw <= ex else "right" if bx >= ex + ew else "overlapping"


def q_labels(app, title):
    return "\n".join(acc.get_name() for acc, _ in walk(window(app, title)) if role(acc) == "label")


def q_tree(app):
    lines = []
    for acc, depth in walk(app):
        states = ",".join(Atspi.StateType(s).value_nick for s in acc.get_state_set().get_states())
        line = f"{'  ' * depth}{role(acc)} {acc.get_name()!r} [{states}]"
        if role(acc) in ("text", "password text"):
            line += f" text={text_of(acc)!r}"
        lines.append(line)
    return "\n".join(lines)


def press(app, title, button):
    for acc, _ in walk(window(app, title)):
        if role(acc) == "push button" and acc.get_name().replace("&", "") == button:
            acc.do_action(0)
            return ""
    raise NotThere(f"no button {button!r} in {title!r}")


QUERIES = {
    "windows": q_windows, "active": q_active, "status": q_status, "editor-text": q_editor_text,
    "selection": q_selection, "focused": q_focused, "field": q_field, "font-size": q_font_size,
    "menu-item": q_menu_item, "menu-open": q_menu_open, "toolbar-edge": q_toolbar_edge,
    "labels": q_labels, "tree": q_tree, "press": press,
}


def read_once(pid, query, args):
    try:
        return QUERIES[query](find_app(pid), *args), None
    except NotThere as e:
        return None, str(e)
    except gi.repository.GLib.Error as e:  # the object went away under us
        return None, e.message


def main():
    parser = argparse.ArgumentParser(description="Reads the running editor through AT-SPI.")
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--until", help="read again until the value is exactly this")
    parser.add_argument("--timeout", type=float, default=10.0)
    parser.add_argument("query", choices=sorted(QUERIES))
    parser.add_argument("args", nargs="*")
    opts = parser.parse_args()
    # Values are read afresh each time: a cache is only kept current by events
    # this short-lived reader does not listen to.
    Atspi.get_desktop(0).set_cache_mask(Atspi.Cache.NONE)

    deadline = time.monotonic() + opts.timeout
    while True:
        value, why = read_once(opts.pid, opts.query, opts.args)
        if value is not None and (opts.until is None or value == opts.until):
            if value:
                print(value)
            return 0
        if time.monotonic() >= deadline:
            seen = why if value is None else repr(value)
            wanted = f" (waited for {opts.until!r})" if opts.until is not None else ""
            print(f"a11y {opts.query}: {seen}{wanted}", file=sys.stderr)
            return 1
        time.sleep(POLL_SECONDS)


if __name__ == "__main__":
    sys.exit(main())
