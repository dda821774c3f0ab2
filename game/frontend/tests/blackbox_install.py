#!/usr/bin/env python3
"""Installs the game from a build tree into a scratch prefix and checks it as a player would:
the installed tree holds the program, its data, the desktop entry and the icons; the installed
program, started headless from another folder, runs from the installed data (it opens its
strings and pictures there and draws frames) and quits with status 0 on SIGTERM, making only the
user's folder (private) and nothing under the XDG data folder. Then, with the data moved away
or damaged, the program stops at once with one line naming the folder it looked in and the
variable that points it elsewhere, and a non-zero status; pointed at the moved data it starts.

Usage: blackbox_install.py <cmake> <build folder>
"""
import ctypes
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
REQUIRED = ['strings.xml', 'graphics/imagemaps.xml', 'fonts/default.mvec', 'graphics/windowicon.png']
HOW_TO_POINT = 'set ZESTKIT_RESOURCES_DIR to the folder that holds the game\'s assets folder'
IN_OPEN = 0x20


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def png_size(path):
    with open(path, 'rb') as f:
        head = f.read(24)
    if head[:8] != b'\x89PNG\r\n\x1a\n' or head[12:16] != b'IHDR':
        return None
    return struct.unpack('>II', head[16:24])


class OpenWatch:
    """The names of the files opened in some folders (inotify), to see what the game reads."""

    def __init__(self, folders):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0:
            fail('inotify_init1: errno %d' % ctypes.get_errno())
        self.folders = {}
        for folder in folders:
            wd = self.libc.inotify_add_watch(self.fd, folder.encode(), IN_OPEN)
            if wd < 0:
                fail('inotify_add_watch %s: errno %d' % (folder, ctypes.get_errno()))
            self.folders[wd] = folder
        self.opened = set()

    def collect(self):
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return self.opened
            at = 0
            while at + 16 <= len(data):
                wd, mask, _, size = struct.unpack_from('iIII', data, at)
                name = data[at + 16:at + 16 + size].split(b'\0', 1)[0].decode()
                at += 16 + size
                if mask & IN_OPEN and name:
                    self.opened.add(os.path.join(self.folders[wd], name))

    def close(self):
        os.close(self.fd)


def game_env(scratch, **extra):
    env = dict(os.environ)
    for name in ('ZESTKIT_RESOURCES_DIR', 'ZESTKIT_USER_DIR', 'ZESTKIT_COMMON_DIR', 'ZESTKIT_DESKTOP_DIR'):
        env.pop(name, None)
    env.update({'SDL_VIDEODRIVER': 'offscreen', 'ALSOFT_DRIVERS': 'null', 'LIBGL_ALWAYS_SOFTWARE': '1',
                'HOME': os.path.join(scratch, 'home'), 'XDG_DATA_HOME': os.path.join(scratch, 'data'),
                'ZESTKIT_USER_DIR': os.path.join(scratch, 'user'), 'ZESTKIT_SHOWFPS': '1',
                'WOMBIX_RANDOM_SEED': '1'})
    # The software GL and sound drivers leave allocations that LeakSanitizer reports from their
    # unloaded modules at exit; leaks are the other tests' business.
    env['ASAN_OPTIONS'] = (env.get('ASAN_OPTIONS', '') + ':detect_leaks=0').lstrip(':')
    env.update(extra)
    return env


def run_until_frames(game, env, log_path, frames, watch=None):
    """Starts the game, waits for `frames` frame-rate lines, checks its working folder, then
    sends SIGTERM. Returns (status, log text, working folder)."""
    with open(log_path, 'wb') as log:
        proc = subprocess.Popen([game], env=env, stdout=log, stderr=subprocess.STDOUT, cwd='/')
        deadline = time.time() + 180
        cwd = None
        while time.time() < deadline and proc.poll() is None:
            with open(log_path, 'rb') as f:
                if f.read().count(b'fps: ') >= frames:
                    break
            time.sleep(0.2)
        if proc.poll() is not None:
            with open(log_path, 'rb') as f:
                print(f.read().decode('utf-8', 'replace'))
            fail('the game ended by itself (status %s)' % proc.returncode)
        try:
            cwd = os.readlink('/proc/%d/cwd' % proc.pid)
        except OSError:
            pass
        if watch:
            watch.collect()
        proc.send_signal(signal.SIGTERM)
        try:
            status = proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            fail('the game did not quit on SIGTERM')
    with open(log_path, 'rb') as f:
        text = f.read().decode('utf-8', 'replace')
    return status, text, cwd


def run_without_data(game, env, case):
    proc = subprocess.run([game], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd='/',
                          timeout=120)
    out = proc.stdout.decode('utf-8', 'replace')
    err = proc.stderr.decode('utf-8', 'replace')
    if proc.returncode == 0:
        fail('%s: the game started without its data (status 0)' % case)
    lines = err.splitlines()
    if out or len(lines) != 1:
        fail('%s: not one line but:\n%s%s' % (case, out, err))
    return lines[0]


def check_tree(prefix):
    game = os.path.join(prefix, 'bin', 'wombixomnivora')
    if not os.access(game, os.X_OK):
        fail('no program at %s' % game)
    data = os.path.join(prefix, 'share', 'wombixomnivora')
    for name in REQUIRED:
        if not os.path.isfile(os.path.join(data, 'assets', name)):
            fail('no %s in the installed data' % name)
    for folder in ('levels', 'sounds'):
        if not os.listdir(os.path.join(data, 'assets', folder)):
            fail('the installed %s folder is empty' % folder)
    for root, dirs, files in os.walk(data):
        for name in dirs + files:
            if name == 'CMakeFiles' or name.endswith('.cmake') or name.endswith('.cases'):
                fail('build-tree file installed: %s' % os.path.join(root, name))
    with open(os.path.join(prefix, 'share', 'applications', 'wombixomnivora.desktop')) as f:
        lines = f.read().splitlines()
    if not lines or lines[0] != '[Desktop Entry]':
        fail('the desktop entry does not start with its group')
    entry = dict(line.split('=', 1) for line in lines[1:] if '=' in line)
    want = {'Type': 'Application', 'Exec': 'wombixomnivora', 'Icon': 'wombixomnivora',
            'Categories': 'Game;ArcadeGame;', 'Terminal': 'false'}
    for key, value in want.items():
        if entry.get(key) != value:
            fail('desktop entry %s=%s, not %s' % (key, entry.get(key), value))
    if not entry.get('Name'):
        fail('the desktop entry has no name')
    for size in ICON_SIZES:
        icon = os.path.join(prefix, 'share', 'icons', 'hicolor', '%dx%d' % (size, size), 'apps',
                            'wombixomnivora.png')
        if png_size(icon) != (size, size):
            fail('%s is not a %d x %d picture' % (icon, size, size))
    return game, data


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    cmake, build = sys.argv[1], sys.argv[2]
    scratch = tempfile.mkdtemp(prefix='wombix-install-')
    prefix = os.path.join(scratch, 'prefix')
    installed = subprocess.run([cmake, '--install', build, '--prefix', prefix],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if installed.returncode != 0:
        print(installed.stdout.decode('utf-8', 'replace'))
        fail('cmake --install failed')
    game, data = check_tree(prefix)
    print('ok: the installed tree')

    # The installed game, started from elsewhere, runs from its installed data.
    assets = os.path.join(data, 'assets')
    watch = OpenWatch([assets, os.path.join(assets, 'graphics'), os.path.join(assets, 'fonts')])
    status, log, cwd = run_until_frames(game, game_env(scratch), os.path.join(scratch, 'game.log'), 5, watch)
    opened = watch.collect()
    watch.close()
    if status != 0:
        print(log)
        fail('the installed game quit with status %d' % status)
    if 'ERROR: AddressSanitizer' in log or 'runtime error:' in log:
        print(log)
        fail('sanitizer report')
    if 'Missing string' in log:
        print(log)
        fail('the installed game misses strings')
    if os.path.realpath(cwd or '') != os.path.realpath(data):
        fail('the installed game ran from %s, not from its data folder %s' % (cwd, data))
    for name in ['strings.xml', 'graphics/imagemaps.xml', 'graphics/windowicon.png', 'graphics/gui.png',
                 'graphics/button.png', 'fonts/arial.mvec']:
        if os.path.join(assets, name) not in opened:
            fail('the installed game never opened %s (opened: %s)' % (name, sorted(opened)))
    user = os.path.join(scratch, 'user')
    if not os.path.isfile(os.path.join(user, 'options.xml')):
        fail('no options saved in the user folder')
    if os.stat(user).st_mode & 0o777 != 0o700:
        fail('the user folder was made %o, not 700' % (os.stat(user).st_mode & 0o777))
    made = os.path.join(scratch, 'data')
    if os.path.exists(made):
        fail('folders made under the data folder though nothing is saved there: %s' % os.listdir(made))
    print('ok: the installed game runs from its data')

    # Without its data it stops at once, naming where it looked and how to point it elsewhere.
    env = game_env(scratch, ZESTKIT_USER_DIR=os.path.join(scratch, 'user-nodata'))
    moved = data + '.moved'
    os.rename(data, moved)
    line = run_without_data(game, env, 'data moved away')
    if data not in line or HOW_TO_POINT not in line:
        fail('data moved away: the line names neither %s nor the variable: %s' % (data, line))
    status, log, cwd = run_until_frames(
        game, game_env(scratch, ZESTKIT_RESOURCES_DIR=moved, ZESTKIT_USER_DIR=os.path.join(scratch, 'user2')),
        os.path.join(scratch, 'moved.log'), 1)
    if status != 0 or os.path.realpath(cwd or '') != os.path.realpath(moved):
        fail('pointed at the moved data the game did not run from it (status %d, folder %s)' % (status, cwd))
    os.rename(moved, data)

    strings = os.path.join(assets, 'strings.xml')
    os.rename(strings, strings + '.kept')
    for case, damage in (('strings a dangling link', lambda: os.symlink(strings + '.gone', strings)),
                         ('strings a folder', lambda: os.mkdir(strings))):
        damage()
        line = run_without_data(game, env, case)
        want = ('wombixomnivora: cannot read the game\'s data in %s (strings.xml is missing or '
                'unreadable); %s' % (assets, HOW_TO_POINT))
        if line != want:
            fail('%s: the line is\n  %s\nnot\n  %s' % (case, line, want))
        if os.path.islink(strings):
            os.unlink(strings)
        else:
            os.rmdir(strings)
    os.rename(strings + '.kept', strings)
    if os.path.exists(os.path.join(scratch, 'user-nodata')):
        fail('a start without data made the user folder')
    print('ok: without its data the game stops with one line')
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
