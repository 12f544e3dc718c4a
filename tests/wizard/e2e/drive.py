"""A person at the wizard: finds its buttons over the accessibility bus, moves
the X pointer to their centres and clicks, as a mouse would.

    drive.py PROGRAM FOLDER FLASH_OUT [SHOT_DIR]

Next, Scan Device, Next, Start Programming, OK, Finish; the process must end
and the device's committed flash must equal the update image. Every wait has
a deadline; any failure prints one line and exits 1."""
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from flash_image import image_bytes  # noqa: E402

APP_NAME = "vanto-update"


def fail(message):
    print("e2e: " + message, flush=True)
    sys.exit(1)


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def application():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        child = desktop.get_child_at_index(index)
        if child is not None and child.get_name() == APP_NAME:
            child.clear_cache()
            return child
    return None


def descendants(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield child
            yield from descendants(child)


def usable_button(name):
    """The push button called name that is on the screen and enabled."""
    app = application()
    if app is None:
        return None
    for node in descendants(app):
        if node.get_role() == Atspi.Role.PUSH_BUTTON and node.get_name() == name:
            states = node.get_state_set()
            if states.contains(Atspi.StateType.SHOWING) and states.contains(
                    Atspi.StateType.SENSITIVE):
                return node
    return None


def click(name, seconds=30):
    button = wait_for('"%s"' % name, lambda: usable_button(name), seconds)
    box = button.get_extents(Atspi.CoordType.SCREEN)
    x, y = box.x + box.width // 2, box.y + box.height // 2
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)
    time.sleep(0.2)  # let the pointer settle before the press
    subprocess.run(["xdotool", "click", "1"], check=True)
    print("e2e: clicked %s at %d,%d" % (name, x, y), flush=True)


def screenshot(shot_dir, title, name):
    """The wizard's window with the window manager's frame."""
    if not shot_dir:
        return
    time.sleep(0.5)  # the last texts painted
    window = subprocess.run(["xdotool", "search", "--sync", "--name", title],
                            capture_output=True, text=True, timeout=10).stdout.split()
    if window:
        subprocess.run(["import", "-frame", "-window", window[0],
                        os.path.join(shot_dir, name)], check=True, timeout=30)


def start(program, folder):
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    process = subprocess.Popen([program], cwd=folder, env=env)
    wait_for("the wizard on the accessibility bus", application, 30)
    return process


def scan_until_found():
    """Scan Device until Next is enabled: a scan that missed the device (a
    late reply on a loaded machine) is simply started again."""
    click("Scan Device")
    last_click, deadline = time.monotonic(), time.monotonic() + 90
    while time.monotonic() < deadline:
        if usable_button("Next >"):
            return
        if usable_button("Scan Device") and time.monotonic() - last_click > 3:
            click("Scan Device")  # the scan ended without the device
            last_click = time.monotonic()
        time.sleep(0.2)
    fail("timed out waiting for the scan to find the device")


def ended(process, seconds):
    try:
        return process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        fail("the program did not end within %d s" % seconds)


def road(program, folder, flash_out, shot_dir=""):
    process = start(program, folder)
    wait_for("Next", lambda: usable_button("Next >"), 30)
    screenshot(shot_dir, "Welcome to VANTO Update", "wizard-welcome.png")
    click("Next >")
    scan_until_found()
    screenshot(shot_dir, "Setup Serial Connection", "wizard-scan.png")
    click("Next >")
    click("Start Programming")
    click("OK", 120)  # "The device has been updated successfully"
    wait_for("Finish", lambda: usable_button("Finish"), 30)
    screenshot(shot_dir, "Programming Target", "wizard-programmed.png")
    click("Finish")
    if ended(process, 15) != 0:
        fail("the program ended with %d" % process.returncode)
    with open(flash_out, "rb") as flash:
        if flash.read() != image_bytes(os.path.join(folder, "kst.hex")):
            fail("the device's flash differs from the update image")
    print("e2e: road done, flash equals the image", flush=True)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        fail(__doc__)
    road(*sys.argv[1:])
