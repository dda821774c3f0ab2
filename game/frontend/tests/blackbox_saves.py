#!/usr/bin/env python3
"""Starts the real game headless on save folders holding damaged files and checks, from the
outside, that the damaged bytes were kept aside, that whole backups took their place, that the
temporary file of an interrupted save was removed, and that the game quit cleanly on SIGTERM,
left every saved file whole and (in the sanitizer build) leaked nothing.

Usage: blackbox_saves.py <game executable>
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.dom.minidom

GOOD_PROGRESS = (
    '<levelprogress><profile name="Ann"><normal>'
    '<level name="level01.xml" completed="true" time="41"></level>'
    '<level name="level02.xml" completed="true" time="52"></level>'
    '</normal><timeattack></timeattack><endurance></endurance></profile></levelprogress>\n')
GOOD_PROFILES = '<profiles active="Ann"><profile name="Ann"></profile></profiles>\n'

# Each case: the files written before the start, and what must hold after the game quit.
CASES = [
    {
        'name': 'damaged files with whole backups are restored',
        'files': {
            'levelprogress.xml': GOOD_PROGRESS[:len(GOOD_PROGRESS) // 2].encode(),
            'levelprogress.xml.bak': GOOD_PROGRESS.encode(),
            'profiles.xml': GOOD_PROFILES[:30].encode(),
            'profiles.xml.bak': GOOD_PROFILES.encode(),
            '.save-Ab12Cd': b'<levelprogress>left by a killed save',
        },
        'damaged': ['levelprogress.xml', 'profiles.xml'],
        'keeps': {'levelprogress.xml': ['level01.xml', 'time="41"', 'level02.xml'],
                  'profiles.xml': ['active="Ann"']},
    },
    {
        'name': 'damaged files without backups start afresh and are kept',
        'files': {
            'options.xml': bytes(range(256)),
            'eatenentities.xml': b'<eatenentities><profile name="Ann"><eatenentity name="ap',
            'profiles.xml': b'\x00' * 64,
        },
        'damaged': ['options.xml', 'eatenentities.xml', 'profiles.xml'],
        'keeps': {},
    },
]


SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'qflib',
                            'testsupport', 'lsan_gl.supp')


def gl_driver_libraries():
    """Mesa's driver libraries that exist here (the list PinGlDriverLibraries keeps loaded)."""
    found = []
    for soname in ('libEGL_mesa.so.0', 'libGLX_mesa.so.0'):
        for folder in glob.glob('/usr/lib/*-linux-gnu') + ['/usr/lib', '/usr/lib64']:
            path = os.path.join(folder, soname)
            if os.path.exists(path):
                found.append(path)
                break
    found += (glob.glob('/usr/lib/*-linux-gnu/dri/swrast_dri.so') + glob.glob('/usr/lib/dri/swrast_dri.so'))[:1]
    return found


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def whole_xml(path):
    with open(path, 'rb') as f:
        data = f.read()
    try:
        xml.dom.minidom.parseString(data)
        return True
    except Exception:
        return False


def run_case(game, case):
    user = tempfile.mkdtemp(prefix='wombix-blackbox-')
    try:
        check_case(game, case, user)
    finally:
        # Nothing the test makes outlives it, whatever the outcome.
        shutil.rmtree(user, ignore_errors=True)


def check_case(game, case, user):
    for name, data in case['files'].items():
        with open(os.path.join(user, name), 'wb') as f:
            f.write(data)
    env = dict(os.environ)
    env.update({'SDL_VIDEODRIVER': 'offscreen', 'ALSOFT_DRIVERS': 'null',
                'LIBGL_ALWAYS_SOFTWARE': '1', 'ZESTKIT_USER_DIR': user,
                'ZESTKIT_COMMON_DIR': os.path.join(user, 'common'),
                'WOMBIX_RANDOM_SEED': '1'})
    # LeakSanitizer checks the whole game. Mesa's driver libraries allocate a few strings once
    # and never free them, and they are unloaded at exit, which leaves their allocations
    # unnamed; preloaded, they stay loaded and the suppressions name them.
    env['ASAN_OPTIONS'] = (env.get('ASAN_OPTIONS', '') + ':detect_leaks=1').lstrip(':')
    env['LSAN_OPTIONS'] = (env.get('LSAN_OPTIONS', '') + ':suppressions=' + SUPPRESSIONS).lstrip(':')
    preload = gl_driver_libraries()
    if preload:
        env['LD_PRELOAD'] = ':'.join(preload + [p for p in env.get('LD_PRELOAD', '').split(':') if p])
    log_path = os.path.join(user, 'game.log')
    with open(log_path, 'wb') as log:
        proc = subprocess.Popen([game], env=env, stdout=log, stderr=subprocess.STDOUT)
        # Up and running once every damaged file was dealt with; then a little play time.
        deadline = time.time() + 120
        while time.time() < deadline and proc.poll() is None:
            if all(glob.glob(os.path.join(user, n + '.damaged-*')) for n in case['damaged']):
                break
            time.sleep(0.2)
        time.sleep(3)
        if proc.poll() is not None:
            fail('%s: the game ended by itself (status %s)' % (case['name'], proc.returncode))
        proc.send_signal(signal.SIGTERM)
        try:
            status = proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            fail('%s: the game did not quit on SIGTERM' % case['name'])
    with open(log_path, 'rb') as f:
        log_text = f.read().decode('utf-8', 'replace')
    if status != 0:
        print(log_text)
        fail('%s: the game quit with status %d' % (case['name'], status))
    if ('ERROR: AddressSanitizer' in log_text or 'ERROR: LeakSanitizer' in log_text or
            'runtime error:' in log_text):
        print(log_text)
        fail('%s: sanitizer report' % case['name'])

    for name in case['damaged']:
        copies = glob.glob(os.path.join(user, name + '.damaged-*'))
        if len(copies) != 1:
            fail('%s: %d kept copies of %s' % (case['name'], len(copies), name))
        if not re.search(r'\.damaged-\d{8}-\d{6}$', copies[0]):
            fail('%s: kept copy named %s' % (case['name'], copies[0]))
        with open(copies[0], 'rb') as f:
            if f.read() != case['files'][name]:
                fail('%s: the kept copy of %s differs from the damaged bytes' % (case['name'], name))
        if log_text.count('Kept the damaged %s' % os.path.join(user, name)) != 1:
            fail('%s: not exactly one log line for %s' % (case['name'], name))
    # Every saved file the game left is whole, and restored progress survived the exit save.
    for path in glob.glob(os.path.join(user, '*.xml')) + glob.glob(os.path.join(user, '*.xml.bak')):
        if not whole_xml(path):
            fail('%s: %s is not a whole document after the exit' % (case['name'], path))
    for name, needles in case['keeps'].items():
        with open(os.path.join(user, name)) as f:
            text = f.read()
        for needle in needles:
            if needle not in text:
                fail('%s: %s lost %s' % (case['name'], name, needle))
    leftovers = glob.glob(os.path.join(user, '.save-*'))
    if leftovers:
        fail('%s: temporary files left: %s' % (case['name'], leftovers))
    print('ok: ' + case['name'])


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    game = sys.argv[1]
    for case in CASES:
        run_case(game, case)
    return 0


if __name__ == '__main__':
    sys.exit(main())
