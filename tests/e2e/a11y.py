#!/usr/bin/python3
"""Reads the running editor through the accessibility bus (AT-SPI).

    a11y.py --pid PID [--until VALUE] [--timeout S] QUERY [ARGS]
    a11y.py --serve       the same requests, one a line on stdin (see serve())

Queries (each prints one value; with --until it is read again every 50 ms
until it equals VALUE, exit 1 with the last value on stderr at the time-out):

    windows               title of every shown window, one a line
    active                title of the active window
    status                the status bar's shown labels, one a line
    editor-text           all text of the editing area (line breaks as \\n)
    selection             "START END" of the editing area's selection, or
                          "CARET CARET" when nothing is selected
    focused WINDOW        role and name of the focused object in WINDOW
    field WINDOW INDEX    text of the INDEX-th (from 0) entry field of WINDOW
    focused-field WINDOW  the index of WINDOW's entry field with the focus,
                          or "none"
    editor-extents        "X Y WIDTH HEIGHT" of the editing area on the screen
    font-size             the font size in points of the editing area's first
                          character
    menu-item NAME        "checked"/"unchecked" and "enabled"/"disabled" of
                          the menu item NAME (the caption up to the shortcut)
    menu-open NAME        "open" while the menu under NAME is on screen, else
                          "closed"
    toolbar-edge          where the toolbar stands beside the editing area:
                          top, bottom, left, right or none
    labels WINDOW         names of the labels in WINDOW, one a line
    finds TEXT            "found" when any object of any window of the
                          program, shown or not, has TEXT in its name,
                          description or text; else "absent"
    shows NAME            "shown" while an object named NAME is on screen,
                          else "hidden"
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


# Roles whose insides no query needs: walking past them saves most of the
# round trips (menus and long lists are the bulk of the tree).
BULK = {"menu bar", "popup menu", "list", "tree", "table", "scroll bar"}


def walk(acc, depth=0, prune=frozenset()):
    yield acc, depth
    if role(acc) in prune:
        return
    for child in children(acc):
        yield from walk(child, depth + 1, prune)


def has_state(acc, state):
    return acc.get_state_set().contains(state)


# Objects found once per program (by pid): their values are still read
# afresh each time, only the search is saved. Forgotten on any error.
FOUND = {}


def remembered(pid, key, find):
    if (pid, key) not in FOUND:
        FOUND[(pid, key)] = find()
    return FOUND[(pid, key)]


def find_app(pid):
    def search():
        for app in children(Atspi.get_desktop(0)):
            try:
                if app.get_process_id() == pid:
                    return app
            except gi.repository.GLib.Error:  # an application that went away meanwhile
                continue
        raise NotThere(f"no application with pid {pid} on the accessibility bus")
    return remembered(pid, "app", search)


def pid_of(app):
    return app.get_process_id()


def top_windows(app):
    return [w for w in children(app) if has_state(w, Atspi.StateType.SHOWING)]


def window(app, title):
    # The main window's "*" for unsaved changes is no part of its name.
    for w in top_windows(app):
        if w.get_name() in (title, "*" + title):
            return w
    raise NotThere(f"no window titled {title!r}")


def main_window(app):
    def search():
        for w in children(app):
            if any(role(c) == "menu bar" for c in children(w)):
                return w
        raise NotThere("no main window")
    return remembered(pid_of(app), "main", search)


def find_in_main(app, key, matches, prune=BULK):
    def search():
        for acc, _ in walk(main_window(app), prune=prune):
            if matches(acc):
                return acc
        raise NotThere(f"no {key} in the main window")
    return remembered(pid_of(app), key, search)


def editor(app):
    return find_in_main(app, "editing area",
                        lambda acc: role(acc) == "text" and has_state(acc, Atspi.StateType.MULTI_LINE))


def text_of(acc):
    return acc.get_text(0, acc.get_character_count()).replace("\u2029", "\n")


def caption(name):
    return name.split("\t", 1)[0]


def menu_item(app, name):
    return find_in_main(app, f"menu item {name!r}",
                        lambda acc: role(acc) == "menu item" and caption(acc.get_name()) == name,
                        prune=BULK - {"menu bar", "popup menu"})


def extents(acc):
    r = acc.get_extents(Atspi.CoordType.SCREEN)
    return r.x, r.y, r.width, r.height


def toolbar(app):
    """The panel holding the toolbar's buttons (its own buttons have no
    names; it is the only object whose children are push buttons)."""
    return find_in_main(app, "toolbar", lambda acc: any(role(c) == "push button" for c in children(acc)))


# ------------------------------------------------------------------ queries

def q_windows(app):
    return "\n".join(w.get_name() for w in top_windows(app))


def q_active(app):
    for w in top_windows(app):
        if has_state(w, Atspi.StateType.ACTIVE):
            return w.get_name()
    return ""


def q_status(app):
    bar = find_in_main(app, "status bar", lambda acc: role(acc) == "status bar")
    # A hidden label (a message gone after its few seconds) is not shown.
    return "\n".join(c.get_name() for c in children(bar)
                     if role(c) == "label" and has_state(c, Atspi.StateType.VISIBLE))


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
        states = acc.get_state_set()
        focusable = states.contains(Atspi.StateType.FOCUSABLE)
        focused = states.contains(Atspi.StateType.FOCUSED)
        if focusable and focused and not parent_lacks_focus:
            found = f"{role(acc)} {acc.get_name()}".rstrip()
        if role(acc) not in BULK:
            for child in children(acc):
                visit(child, focusable and not focused)

    visit(window(app, title), False)
    return found


def entry_fields(app, title):
    return [acc for acc, _ in walk(window(app, title), prune=BULK)
            if role(acc) in ("text", "password text") and has_state(acc, Atspi.StateType.EDITABLE)]


def q_focused_field(app, title):
    for index, field in enumerate(entry_fields(app, title)):
        if has_state(field, Atspi.StateType.FOCUSED):
            return str(index)
    return "none"


def q_field(app, title, index):
    fields = entry_fields(app, title)
    if int(index) >= len(fields):
        raise NotThere(f"{title!r} has {len(fields)} entry fields")
    return text_of(fields[int(index)])


def q_field_center(app, title, index):
    """Screen point in the middle of an entry field, as "X Y"."""
    fields = entry_fields(app, title)
    if int(index) >= len(fields):
        raise NotThere(f"{title!r} has {len(fields)} entry fields")
    x, y, w, h = extents(fields[int(index)])
    return f"{x + w // 2} {y + h // 2}"


def q_editor_extents(app):
    return " ".join(str(v) for v in extents(editor(app)))


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
    return "\n".join(acc.get_name() for acc, _ in walk(window(app, title), prune=BULK) if role(acc) == "label")


def q_finds(app, text):
    for acc, _ in walk(app):
        texts = [acc.get_name() or "", acc.get_description() or ""]
        if "Text" in acc.get_interfaces():
            texts.append(text_of(acc))
        if any(text in t for t in texts):
            return "found"
    return "absent"


def q_shows(app, name):
    for acc, _ in walk(app, prune=BULK):
        if acc.get_name() == name and has_state(acc, Atspi.StateType.SHOWING):
            return "shown"
    return "hidden"


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
    for acc, _ in walk(window(app, title), prune=BULK):
        if role(acc) == "push button" and acc.get_name().replace("&", "") == button:
            acc.do_action(0)
            return ""
    raise NotThere(f"no button {button!r} in {title!r}")


QUERIES = {
    "windows": q_windows, "active": q_active, "status": q_status, "editor-text": q_editor_text,
    "editor-extents": q_editor_extents, "selection": q_selection, "focused": q_focused, "field": q_field,
    "focused-field": q_focused_field, "field-center": q_field_center, "font-size": q_font_size,
    "menu-item": q_menu_item, "menu-open": q_menu_open, "toolbar-edge": q_toolbar_edge,
    "labels": q_labels, "finds": q_finds, "shows": q_shows, "tree": q_tree, "press": press,
}


def read_once(pid, query, args):
    try:
        return QUERIES[query](find_app(pid), *args), None
    except (NotThere, TypeError, ValueError) as e:  # not there yet, or wrong arguments
        return None, str(e)
    except gi.repository.GLib.Error as e:  # an object went away under us
        for key in [k for k in FOUND if k[0] == pid]:
            del FOUND[key]
        return None, e.message


def answer(pid, timeout, until, query, args):
    """Returns (exit status, value, message for the log)."""
    if query not in QUERIES:
        return 2, "", f"a11y: no query {query!r}"
    deadline = time.monotonic() + timeout
    while True:
        value, why = read_once(pid, query, args)
        if value is not None and (until is None or value == until):
            return 0, value, ""
        if time.monotonic() >= deadline:
            seen = why if value is None else repr(value)
            wanted = f" (waited for {until!r})" if until is not None else ""
            return 1, "", f"a11y {query} {' '.join(args)}: {seen}{wanted}".replace("  ", " ")
        time.sleep(POLL_SECONDS)


# Requests and answers of --serve are one line each, fields split by US
# (0x1f), with backslash and line breaks escaped.
SEPARATOR = "\x1f"


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append("\n" if text[i + 1] == "n" else text[i + 1])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def serve():
    """Answers requests "PID US TIMEOUT US read|until US VALUE US QUERY
    [US ARG...]" from stdin with "STATUS US VALUE US MESSAGE" until stdin
    closes: one start-up for a whole scenario."""
    for line in sys.stdin:
        fields = [unescape(f) for f in line.rstrip("\n").split(SEPARATOR)]
        try:
            pid, timeout, mode, until, query, *args = fields
            status, value, message = answer(int(pid), float(timeout), until if mode == "until" else None,
                                             query, args)
        except ValueError:
            status, value, message = 2, "", f"a11y: bad request {line!r}"
        print(SEPARATOR.join((str(status), escape(value), escape(message))), flush=True)
    return 0


def main():
    parser = argparse.ArgumentParser(description="Reads the running editor through AT-SPI.")
    parser.add_argument("--serve", action="store_true", help="answer requests from stdin (see serve())")
    parser.add_argument("--pid", type=int)
    parser.add_argument("--until", help="read again until the value is exactly this")
    parser.add_argument("--timeout", type=float, default=10.0)
    parser.add_argument("query", nargs="?", choices=sorted(QUERIES))
    parser.add_argument("args", nargs="*")
    opts = parser.parse_args()
    # Values are read afresh each time: a cache is only kept current by events
    # this reader does not listen to. A program that does not answer must not
    # hold a wait beyond its deadline for long.
    Atspi.get_desktop(0).set_cache_mask(Atspi.Cache.NONE)
    Atspi.set_timeout(2000, 5000)
    if opts.serve:
        return serve()
    if opts.pid is None or opts.query is None:
        parser.error("--pid and a query are needed")
    status, value, message = answer(opts.pid, opts.timeout, opts.until, opts.query, opts.args)
    if value:
        print(value)
    if message:
        print(message, file=sys.stderr)
    return status


if __name__ == "__main__":
    sys.exit(main())
