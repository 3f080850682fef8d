#!/usr/bin/env python3
"""End-to-end cases: the real Tarvex in a real X server, used as a person uses it.

Run one case:  cases.py --bin-dir BUILD/bin --screenshots DIR CASE
List them:     cases.py --list
"""

import re
import sys

from tarvex_e2e import (APP_TITLE, CLEARING_TITLE, ERROR_TITLE, MAIN_TITLE, NOTICE_TITLE,
                        SETTINGS_TITLE, STATE_CHECKED, STATE_FOCUSED, check, check_equal,
                        click, keys, message_box, poll, run_cases, stays_false,
                        type_text, visible_windows)

RESTART_NOTICE = "请重新启动程序,以启用设置的参数！"
CLEARED = "Client.mdb数据清空"

# What a first run, with 15 typed into the first edit, leaves behind.
SAVED_15 = (b"[DoorlockOption]\r\nDelayMinutes=15\r\nDelayMinutes2=0\r\n"
            b"UseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n")
# An Option.ini the card-issuing client already has, with a section of its own.
OLD_INI = (b"[Client]\r\nHotel=Test\r\n[DoorlockOption]\r\nDelayMinutes=5\r\n"
           b"DelayMinutes2=10\r\nUseNativeDoorlockDb=0\r\nSaveDoorlockRecord=1\r\n")
OLD_VALUES = ["5", "10", "0", "1"]


def start(t, **contents):
    """Starts a fresh copy of the program and waits for its main window."""
    app = t.program(**contents).start()
    return app, t.wait_window(MAIN_TITLE, app)


def replace_text(dialog, edit, text):
    """Clicks into an edit, selects what it holds and types over it."""
    dialog.click(edit)
    keys("ctrl+a", "BackSpace")
    if text:
        type_text(text)
    poll(lambda: edit.text() == text, f"the edit to hold {text!r}")


def no_window(*titles):
    return lambda: any(visible_windows(title) for title in titles)


def close_main_window(app, main):
    main.close_by_frame()
    check_equal(app.exit_code(), 0, "exit code after closing the main window")


# --- the cases --------------------------------------------------------------------

def typical_use(t):
    """No Option.ini: the dialog shows 0 0 1 0; 15 typed and confirmed is written."""
    app, main = start(t)
    main.screenshot("main-window")
    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    dialog.screenshot("settings-dialog")
    check_equal(dialog.edit_texts(), ["0", "0", "1", "0"], "the settings shown")

    replace_text(dialog, dialog.edits()[0], "15")
    dialog.click(dialog.button("确认"))
    notice, text = message_box(t, NOTICE_TITLE)
    check_equal(text, RESTART_NOTICE, "the notice")
    notice.screenshot("restart-notice")
    # The file is written before the notice, and the dialog waits behind it.
    check_equal(app.read("Option.ini"), SAVED_15, "Option.ini while the notice is up")
    check(dialog.is_open(), "the dialog closed before the notice was dismissed")

    notice.click(notice.button("OK"))
    t.wait_closed(notice)
    t.wait_closed(dialog)
    close_main_window(app, main)
    check_equal(app.read("Option.ini"), SAVED_15, "Option.ini after the program ended")


def start_without_database(t):
    """No Client.mdb: only the run-time error box, exit code 217, Option.ini untouched."""
    app = t.program(database=False, option_ini=OLD_INI).start()

    def error_box():
        check(not visible_windows(MAIN_TITLE), "the main window was shown")
        return visible_windows(ERROR_TITLE)
    poll(error_box, "the run-time error box")
    box, text = message_box(t, ERROR_TITLE, app)
    check(re.fullmatch(r"Runtime error 217 at [0-9A-F]{8}", text),
          f"the error box says {text!r}")
    box.screenshot("startup-error")
    check(not visible_windows(MAIN_TITLE), "the main window was shown")

    box.click(box.button("OK"))
    check_equal(app.exit_code(), 217, "exit code")
    check_equal(app.read("Option.ini"), OLD_INI, "Option.ini")
    check_equal(app.files(), ["Option.ini", "Tarvex"], "the program's folder")


# Minute texts that are no integer, and the error report each one gives.
INVALID_MINUTES = [
    ("abc", "'abc' is not a valid integer value."),
    ("1.5", "'1.5' is not a valid integer value."),
    ("20 ", "'20 ' is not a valid integer value."),
    ("", "'' is not a valid integer value."),
]


def invalid_minute_text(t):
    """Each invalid minute text is reported; the dialog stays open and nothing is saved."""
    app, main = start(t, option_ini=OLD_INI)
    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    for typed, report in INVALID_MINUTES:
        replace_text(dialog, dialog.edits()[0], typed)
        dialog.click(dialog.button("确认"))
        box, text = message_box(t, APP_TITLE)
        check_equal(text, report, f"the error report for {typed!r}")
        if typed == "abc":
            box.screenshot("error-report")
        box.click(box.button("OK"))
        t.wait_closed(box)
        check(dialog.is_open(), f"the dialog closed after {typed!r}")
        check(not visible_windows(NOTICE_TITLE), "the restart notice was shown")
        check_equal(app.read("Option.ini"), OLD_INI, f"Option.ini after {typed!r}")
    dialog.click(dialog.button("取消"))
    t.wait_closed(dialog)
    close_main_window(app, main)
    check_equal(app.read("Option.ini"), OLD_INI, "Option.ini after the program ended")


def invalid_second_minute_text(t):
    """A valid first minute is kept in memory only when the second one is invalid."""
    app, main = start(t, option_ini=OLD_INI)
    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    first, second = dialog.edits()[:2]
    replace_text(dialog, first, "25")
    replace_text(dialog, second, "abc")
    dialog.click(dialog.button("确认"))
    box, text = message_box(t, APP_TITLE)
    check_equal(text, "'abc' is not a valid integer value.", "the error report")
    box.click(box.button("OK"))
    t.wait_closed(box)
    dialog.click(dialog.button("取消"))
    t.wait_closed(dialog)

    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    check_equal(dialog.edit_texts(), ["25"] + OLD_VALUES[1:], "the settings shown again")
    check_equal(app.read("Option.ini"), OLD_INI, "Option.ini")
    dialog.click(dialog.button("取消"))
    t.wait_closed(dialog)
    close_main_window(app, main)


def cancel_and_close_by_frame(t):
    """Cancel and the frame's close button leave the settings and the file as they were."""
    app, main = start(t, option_ini=OLD_INI)
    rooms = app.room_count_by_tarvex_jet()
    for leave in ("取消", "frame"):
        dialog = t.choose(main, "设置", SETTINGS_TITLE)
        check_equal(dialog.edit_texts(), OLD_VALUES, f"the settings shown before {leave}")
        for edit in dialog.edits():
            replace_text(dialog, edit, "1")
        if leave == "frame":
            dialog.close_by_frame()
        else:
            dialog.click(dialog.button(leave))
        t.wait_closed(dialog)
        stays_false(no_window(NOTICE_TITLE, APP_TITLE), f"a message after {leave}")
        check_equal(app.read("Option.ini"), OLD_INI, f"Option.ini after {leave}")

    # The clearing dialog has no cancel button: the frame is the way out.
    dialog = t.choose(main, "数据库", CLEARING_TITLE)
    dialog.click(dialog.check_box("清空Client数据库"))
    dialog.close_by_frame()
    t.wait_closed(dialog)
    stays_false(no_window(APP_TITLE), "a message after closing the clearing dialog")
    check_equal(app.room_count_by_tarvex_jet(), rooms, "rooms after closing the dialog")
    close_main_window(app, main)
    check_equal(app.read("Option.ini"), OLD_INI, "Option.ini after the program ended")


def keyboard(t):
    """Tab walks the edits and buttons; Esc and Enter in an edit do nothing."""
    app, main = start(t, option_ini=OLD_INI)
    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    edits = dialog.edits()
    check(edits[0].has_state(STATE_FOCUSED), "the first edit has no focus on opening")
    for i, text in enumerate(["20", "30", "1", "0"]):
        if i:
            keys("Tab")
            poll(lambda: edits[i].has_state(STATE_FOCUSED), f"the focus in edit {i + 1}")
        keys("ctrl+a")
        type_text(text)
    keys("Escape", "Return")
    stays_false(lambda: not dialog.is_open() or visible_windows(NOTICE_TITLE),
                "Esc or Enter in an edit closed or confirmed the dialog")
    check_equal(app.read("Option.ini"), OLD_INI, "Option.ini after Esc and Enter")

    keys("Tab")
    ok = dialog.button("确认")
    poll(lambda: ok.has_state(STATE_FOCUSED), "the focus on 确认")
    keys("Return")
    notice, text = message_box(t, NOTICE_TITLE)
    check_equal(text, RESTART_NOTICE, "the notice")
    keys("Return")
    t.wait_closed(notice)
    t.wait_closed(dialog)
    check_equal(app.read("Option.ini"),
                b"[Client]\r\nHotel=Test\r\n[DoorlockOption]\r\nDelayMinutes=20\r\n"
                b"DelayMinutes2=30\r\nUseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n",
                "Option.ini")

    # A fresh dialog shows what was stored; Tab past 确认 reaches 取消.
    dialog = t.choose(main, "设置", SETTINGS_TITLE)
    check_equal(dialog.edit_texts(), ["20", "30", "1", "0"], "the settings shown again")
    keys("Tab", "Tab", "Tab", "Tab", "Tab")
    cancel = dialog.button("取消")
    poll(lambda: cancel.has_state(STATE_FOCUSED), "the focus on 取消")
    keys("Return")
    t.wait_closed(dialog)
    close_main_window(app, main)


def clear_room_table(t):
    """确认 clears T_Room only with the box ticked, and says so each time."""
    app, main = start(t, rooms=40)
    buildings = app.row_count_by_mdbtools("T_Building")
    dialog = t.choose(main, "数据库", CLEARING_TITLE)
    dialog.screenshot("clearing-dialog")
    tick, ok = dialog.check_box("清空Client数据库"), dialog.button("确认")
    check(not tick.has_state(STATE_CHECKED), "the box is ticked on opening")

    dialog.click(ok)
    stays_false(no_window(APP_TITLE), "a message after 确认 with the box unticked")
    check_equal(app.room_count_by_tarvex_jet(), 40, "rooms per tarvex-jet, box unticked")
    check_equal(app.row_count_by_mdbtools("T_Room"), 40, "rooms per mdb-export, box unticked")

    dialog.click(tick)
    poll(lambda: tick.has_state(STATE_CHECKED), "the box to be ticked")
    for attempt in ("first", "second"):
        dialog.click(ok)
        box, text = message_box(t, APP_TITLE)
        check_equal(text, CLEARED, f"the message the {attempt} time")
        if attempt == "first":
            box.screenshot("cleared-message")
            box.click(box.button("OK"))
        else:
            keys("Escape")  # the plain message's one button is also its cancel button
        t.wait_closed(box)
        check(dialog.is_open(), "the clearing dialog closed")
        check(tick.has_state(STATE_CHECKED), "the tick went away")
        check_equal(app.room_count_by_tarvex_jet(), 0, "rooms per tarvex-jet")
        check_equal(app.row_count_by_mdbtools("T_Room"), 0, "rooms per mdb-export")
        check_equal(app.row_count_by_mdbtools("T_Building"), buildings, "buildings")

    dialog.close_by_frame()
    t.wait_closed(dialog)
    dialog = t.choose(main, "数据库", CLEARING_TITLE)
    check(not dialog.check_box("清空Client数据库").has_state(STATE_CHECKED),
          "the box is ticked on opening again")
    dialog.close_by_frame()
    t.wait_closed(dialog)
    close_main_window(app, main)


def dialog_blocks_main_window(t):
    """While a dialog is open, clicking the main window's commands opens nothing."""
    app, main = start(t)
    dialogs = {"设置": SETTINGS_TITLE, "数据库": CLEARING_TITLE}
    for caption, title in dialogs.items():
        dialog = t.choose(main, caption, title)
        places = {c: main.menu_item(c).centre() for c in dialogs}
        move_aside(dialog, places.values())
        for place in places.values():
            click(*place)
        stays_false(lambda: len(visible_windows(title)) != 1
                    or any(visible_windows(other) for other in dialogs.values() if other != title),
                    "a command of the main window ran while a dialog was open")
        dialog.close_by_frame()
        t.wait_closed(dialog)
        # The same click, with no dialog open, does open the dialog.
        click(*places[caption])
        dialog = t.wait_window(title)
        dialog.close_by_frame()
        t.wait_closed(dialog)
    close_main_window(app, main)


def move_aside(dialog, points):
    """Moves the dialog, which sits over the main window, off the given points."""
    def clear():
        dialog.move_to(540, 450)
        x, y, w, h = dialog.settle().outer()
        return not any(x <= px < x + w and y <= py < y + h for px, py in points)
    poll(clear, f"{dialog.title!r} to move aside", interval=0.3)


def close_main_window_writes_nothing(t):
    """Closing the main window ends with exit code 0 and leaves every file as it was."""
    for option_ini in (None, OLD_INI):
        app, main = start(t, option_ini=option_ini)
        before = {name: app.read(name) for name in app.files()}
        menu = [item.name for item in main.node.find("menu item")]
        check_equal(menu, ["设置", "数据库"], "the main window's commands")
        close_main_window(app, main)
        after = {name: app.read(name) for name in app.files()}
        check(after == before, f"files changed: {sorted(before)} -> {sorted(after)}"
              + "".join(f"; {n} differs" for n in before if after.get(n) != before[n]))


# Where each form puts its controls: role, name, left, top, width, height in the
# client area.
SETTINGS_CONTROLS = [
    ("text", "", 200, 19, 121, 21),
    ("label", "门卡起始时间的提前量:", 32, 24, 153, 13),
    ("text", "", 200, 56, 121, 21),
    ("label", "门卡结束时间的延迟量:", 32, 64, 153, 13),
    ("text", "", 272, 96, 121, 21),
    ("label", "启用本地数据库记录上一次发卡时间:", 32, 104, 233, 13),
    ("label", "1启用，0不启用", 272, 128, 105, 13),
    ("text", "", 232, 152, 121, 21),
    ("label", "启用本地数据库记录发卡记录:", 32, 160, 193, 13),
    ("label", "1启用，0不启用", 232, 184, 105, 13),
    ("push button", "确认", 104, 208, 75, 25),
    ("push button", "取消", 232, 208, 75, 25),
]
CLEARING_CONTROLS = [
    ("check box", "清空Client数据库", 80, 64, 129, 17),
    ("push button", "确认", 96, 112, 75, 25),
]


def controls(window):
    left, top, _, _ = window.client()
    found = []
    for node in window.node.descendants():
        x, y, w, h = node.extents()
        found.append((node.role, node.name, x - left, y - top, w, h))
    return sorted(found, key=lambda c: (c[3], c[2]))


def placed_as(found, expected):
    if found[0] == "check box":
        # A check box reports only the part that takes a click: the box and its caption.
        return found[:4] == expected[:4] and found[5] == expected[5] and found[4] <= expected[4]
    return found == expected


def centre(rect):
    x, y, w, h = rect
    return x + w / 2, y + h / 2


SCREEN_CENTRE = (512, 384)


def near(a, b, tolerance=2):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def control_positions(t):
    """The menu's two commands, and each dialog's controls where the forms put them."""
    app, main = start(t)
    menu = [(node.role, node.name) for node in main.node.descendants()]
    check_equal(menu, [("menu bar", ""), ("menu item", "设置"), ("menu item", "数据库")],
                "what the main window holds")
    forms = [("设置", SETTINGS_TITLE, SETTINGS_CONTROLS),
             ("数据库", CLEARING_TITLE, CLEARING_CONTROLS)]
    for caption, title, expected in forms:
        dialog = t.choose(main, caption, title)
        found = controls(dialog)
        check(len(found) == len(expected) and all(map(placed_as, found, expected)),
              f"the controls of {title}: expected {expected}, got {found}")
        dialog.close_by_frame()
        t.wait_closed(dialog)
    close_main_window(app, main)


# Known to fail, see README.md: the first window shown may keep the frame's size
# on top of its outer size, and sits off centre until it is first moved.
def window_geometry(t):
    """Outer sizes of all three windows; the main window centred, dialogs over it."""
    app, main = start(t)
    check_equal(main.outer()[2:], (423, 249), "outer size of the main window")
    check(near(centre(main.outer()), SCREEN_CENTRE),
          f"the main window is not centred on the screen: {main.outer()}")
    forms = [("设置", SETTINGS_TITLE, (455, 283)), ("数据库", CLEARING_TITLE, (292, 213))]
    for caption, title, size in forms:
        dialog = t.choose(main, caption, title)
        check_equal(dialog.outer()[2:], size, f"outer size of {title}")
        check(near(centre(dialog.outer()), centre(main.outer())),
              f"{title} at {dialog.outer()} is not centred over {main.outer()}")
        dialog.close_by_frame()
        t.wait_closed(dialog)
    close_main_window(app, main)


# Known to fail, see README.md: the message is centred across the screen but
# sits about 30 pixels above its middle.
def plain_message_placement(t):
    """The plain message dialog is centred on the screen."""
    app, main = start(t)
    main.move_to(20, 20)  # so that centred over its owner and on the screen differ
    dialog = t.choose(main, "数据库", CLEARING_TITLE)
    dialog.click(dialog.check_box("清空Client数据库"))
    dialog.click(dialog.button("确认"))
    box, _ = message_box(t, APP_TITLE)
    check(near(centre(box.outer()), SCREEN_CENTRE),
          f"the message at {box.outer()} is not centred on the screen")
    box.click(box.button("OK"))
    dialog.close_by_frame()
    t.wait_closed(dialog)
    close_main_window(app, main)


CASES = {case.__name__: case for case in [
    typical_use,
    start_without_database,
    invalid_minute_text,
    invalid_second_minute_text,
    cancel_and_close_by_frame,
    keyboard,
    clear_room_table,
    dialog_blocks_main_window,
    close_main_window_writes_nothing,
    control_positions,
    window_geometry,
    plain_message_placement,
]}

if __name__ == "__main__":
    sys.exit(run_cases(CASES))
