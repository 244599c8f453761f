#!/usr/bin/python3
"""Reads one program on one private desktop through AT-SPI, for a test that drives
several desktops at once (one AT-SPI client per process can read only one bus).

Started with that desktop's environment; reads one JSON request a line on stdin and
answers one JSON line on stdout: {"ok": value} or {"error": text}.
  {"op": "attach", "pid": N}                  wait for the program on the bus
  {"op": "press", "name": "Join"}             press a shown, enabled button
  {"op": "enabled", "name": "Join"}           is a button by that name shown and enabled
  {"op": "type", "name": "Server", "text": …} set a text field's contents
  {"op": "check", "name": …, "on": bool}      tick or clear a check box
  {"op": "rows", "name": "Tables"}            a table's cells, row by row ("missing_ok":
                                              true: none while it is not on show)
  {"op": "select", "name": "Tables", "row": N}
  {"op": "windows"}                           the titles of the windows on show
  {"op": "text", "name": "Chat"}              a text's whole contents
  {"op": "dump"}                              the whole tree, for a failure's report
"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from privatedesktop import app_of, descendants, do_action, showing, wait_for  # noqa: E402

import gi  # noqa: E402

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

R = Atspi.Role
BUTTONS = (R.PUSH_BUTTON,)
TEXTS = (R.TEXT, R.ENTRY, R.PASSWORD_TEXT)
TABLES = (R.TABLE, R.TREE_TABLE)


class Agent:
    def __init__(self):
        self.app = None

    def nodes(self):
        if self.app is None:
            raise AssertionError("not attached")
        self.app.clear_cache()
        return descendants(self.app)

    def find(self, name, roles, shown=True):
        for node in self.nodes():
            if node.get_name() == name and node.get_role() in roles:
                if not shown or showing(Atspi, node):
                    return node
        raise AssertionError("no %s named %r on show" % (
            "/".join(r.value_nick for r in roles), name))

    def op_attach(self, pid, seconds=30):
        self.app = wait_for("the program %d on the accessibility bus" % pid,
                            lambda: app_of(Atspi, pid), seconds)
        return True

    def op_press(self, name):
        do_action(Atspi, self.find(name, BUTTONS), "press")
        return True

    def op_enabled(self, name):
        try:
            self.find(name, BUTTONS)
            return True
        except AssertionError:
            return False

    def op_check(self, name, on):
        node = self.find(name, (R.CHECK_BOX,))
        if node.get_state_set().contains(Atspi.StateType.CHECKED) != on:
            do_action(Atspi, node, "toggle")
        return True

    def op_type(self, name, text):
        node = self.find(name, TEXTS)
        if not node.get_editable_text_iface().set_text_contents(text):
            raise AssertionError("%r took no text" % name)
        return True

    def op_text(self, name):
        node = self.find(name, TEXTS, shown=False)
        t = node.get_text_iface()
        return t.get_text(0, t.get_character_count())

    def table(self, name):
        node = self.find(name, TABLES, shown=False)
        return node, node.get_table_iface()

    def op_rows(self, name, missing_ok=False):
        try:
            _, t = self.table(name)
        except AssertionError:
            if missing_ok:  # its window is not on show yet
                return []
            raise
        rows = []
        for r in range(t.get_n_rows()):
            rows.append([(t.get_accessible_at(r, c).get_name() or "")
                         for c in range(t.get_n_columns())])
        return rows

    def op_headers(self, name):
        _, t = self.table(name)
        out = []
        for c in range(t.get_n_columns()):
            h = t.get_column_header(c)
            out.append(h.get_name() if h is not None else t.get_column_description(c))
        return out

    def op_select(self, name, row):
        _, t = self.table(name)
        if not t.add_row_selection(row):
            raise AssertionError("row %d of %r could not be selected" % (row, name))
        return True

    def op_windows(self):
        self.app.clear_cache()
        out = []
        for i in range(self.app.get_child_count()):
            w = self.app.get_child_at_index(i)
            if w is not None and w.get_state_set().contains(Atspi.StateType.SHOWING):
                out.append(w.get_name())
        return out

    def op_dump(self):
        lines = []

        def walk(node, depth):
            if node is None or depth > 30:
                return
            lines.append("%s%s %r%s" % ("  " * depth, node.get_role_name(), node.get_name(),
                                        "" if showing(Atspi, node) else " (hidden/disabled)"))
            for i in range(node.get_child_count()):
                walk(node.get_child_at_index(i), depth + 1)
        walk(self.app, 0)
        return "\n".join(lines)


def main():
    Atspi.init()
    agent = Agent()
    for line in sys.stdin:
        request = json.loads(line)
        op = request.pop("op")
        try:
            reply = {"ok": getattr(agent, "op_" + op)(**request)}
        except Exception as e:  # reported to the test, which decides
            reply = {"error": "%s: %s" % (type(e).__name__, e)}
        sys.stdout.write(json.dumps(reply) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
