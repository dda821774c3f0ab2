#!/usr/bin/env python3
"""The set-up scripts, run against stand-in commands that only record how they were called:

- tools/install-deps.sh asks apt only for missing packages, as root directly, through sudo
  otherwise, and with neither prints the one command to run as root and fails; --player asks
  only for the player's packages, which hold none of the test-only ones;
- tools/run-game.sh runs the package check and the configure step only when what they cover
  changed (or the build folder lost its build files), always runs the (no-op) build, and starts
  the game with its arguments.

Usage: test_scripts.py <source folder>
"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile

# Needed by tests or their tools; never by a player's build.
TEST_ONLY = ['clang-14', 'libclang-rt-14-dev', 'ccache', 'libgtest-dev', 'libgmock-dev', 'libbenchmark-dev',
             'libxml2-dev', 'python3', 'python3-cryptography', 'xvfb', 'xdotool']
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print('FAIL: ' + message)


def write_stub(folder, name, body):
    path = os.path.join(folder, name)
    with open(path, 'w') as f:
        f.write('#!/bin/sh\n' + body)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


def link_real(folder, name):
    real = shutil.which(name)
    if not real:
        sys.exit('no %s on this machine' % name)
    os.symlink(real, os.path.join(folder, name))


def read_log(log):
    if not os.path.exists(log):
        return []
    with open(log) as f:
        lines = f.read().splitlines()
    os.remove(log)
    return lines


def stubs_for_install(scratch, uid, installed, with_sudo):
    """A PATH holding only the commands install-deps.sh may use, apt and sudo recording."""
    folder = tempfile.mkdtemp(dir=scratch)
    log = os.path.join(folder, 'log')
    for name in ('env',):
        link_real(folder, name)
    write_stub(folder, 'id', 'echo %d\n' % uid)
    # dpkg-query -W -f=<format> <package>...: one line for each package it knows (here: the
    # installed ones), and a failure when one is unknown.
    write_stub(folder, 'dpkg-query', 'shift 2\nstatus=0\nfor p; do\n  echo "dpkg-query $p" >> %s\n'
               '  case " %s " in *" $p "*) echo "$p installed";; *) status=1;; esac\ndone\nexit $status\n'
               % (log, ' '.join(installed)))
    write_stub(folder, 'apt-get', 'echo "apt-get $*" >> %s\n' % log)
    if with_sudo:
        write_stub(folder, 'sudo', 'echo "sudo $1" >> %s\nexec "$@"\n' % log)
    return folder, log


def run_install(source, scratch, uid, installed, with_sudo, *args):
    folder, log = stubs_for_install(scratch, uid, installed, with_sudo)
    proc = subprocess.run(['/bin/bash', os.path.join(source, 'tools', 'install-deps.sh')] + list(args),
                          env={'PATH': folder}, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return proc.returncode, proc.stdout.decode(), read_log(log)


def queried(lines):
    return [l.split(' ', 1)[1] for l in lines if l.startswith('dpkg-query ')]


def test_install_deps(source, scratch):
    _, _, lines = run_install(source, scratch, 0, [], False)
    everything = queried(lines)
    _, _, lines = run_install(source, scratch, 0, [], False, '--player')
    player = queried(lines)
    for name in ['python3', 'python3-cryptography', 'xvfb', 'libgtest-dev', 'libbenchmark-dev']:
        check(name in everything, 'the full set lacks %s' % name)
    check('mesa-utils' not in everything, 'mesa-utils is listed though nothing uses it')
    check(len(set(everything)) == len(everything), 'a package is listed twice')
    for name in TEST_ONLY:
        check(name not in player, 'the player\'s set holds the test-only %s' % name)
    check(set(player) < set(everything), 'the player\'s set is not part of the full set')
    for name in ['libsdl2-dev', 'cmake', 'ninja-build', 'fonts-dejavu-core', 'libopenal-dev']:
        check(name in player, 'the player\'s set lacks %s' % name)

    missing = ['libsdl2-dev', 'xvfb']
    present = [p for p in everything if p not in missing]
    # Nothing missing: apt is never asked, not even for the command to print.
    status, out, lines = run_install(source, scratch, 1000, everything, False)
    check(status == 0 and not out and not [l for l in lines if not l.startswith('dpkg-query')],
          'nothing missing: status %d, calls %s' % (status, lines))
    # As root: apt-get itself, for the missing packages only.
    status, out, lines = run_install(source, scratch, 0, present, True)
    calls = [l for l in lines if not l.startswith('dpkg-query')]
    check(status == 0 and calls == ['apt-get update -qq',
                                    'apt-get install -y -qq --no-install-recommends libsdl2-dev xvfb'],
          'as root: status %d, calls %s' % (status, calls))
    # Not root, with sudo: through sudo.
    status, out, lines = run_install(source, scratch, 1000, present, True)
    calls = [l for l in lines if not l.startswith('dpkg-query')]
    check(status == 0 and calls == ['sudo apt-get', 'apt-get update -qq', 'sudo env',
                                    'apt-get install -y -qq --no-install-recommends libsdl2-dev xvfb'],
          'with sudo: status %d, calls %s' % (status, calls))
    # Neither: the one command to run as root, and a failure.
    status, out, lines = run_install(source, scratch, 1000, present, False)
    calls = [l for l in lines if not l.startswith('dpkg-query')]
    check(status != 0 and not calls and
          out == 'apt-get update && apt-get install -y --no-install-recommends libsdl2-dev xvfb\n',
          'neither root nor sudo: status %d, calls %s, printed %r' % (status, calls, out))
    # --player with a test-only package missing: nothing to do.
    status, out, lines = run_install(source, scratch, 1000, [p for p in everything if p != 'xvfb'], False,
                                     '--player')
    check(status == 0 and not out, '--player asked for a test-only package: status %d, %r' % (status, out))


def test_run_game(source, scratch):
    tree = os.path.join(scratch, 'tree')
    os.makedirs(os.path.join(tree, 'tools'))
    os.makedirs(os.path.join(tree, 'sub'))
    os.makedirs(os.path.join(tree, 'cmake'))
    for rel in ('tools/run-game.sh', 'tools/install-deps.sh', 'CMakePresets.json'):
        shutil.copy(os.path.join(source, rel), os.path.join(tree, rel))
    for rel, text in (('CMakeLists.txt', 'top\n'), ('sub/CMakeLists.txt', 'sub\n'), ('cmake/a.cmake', 'a\n')):
        with open(os.path.join(tree, rel), 'w') as f:
            f.write(text)
    stubs = os.path.join(scratch, 'stubs')
    os.makedirs(stubs)
    log = os.path.join(scratch, 'log')
    # Every package present; the query is what shows that the package check ran.
    write_stub(stubs, 'dpkg-query', 'echo "dpkg-query" >> %s\nshift 2\nfor p; do echo "$p installed"; done\n' % log)
    write_stub(stubs, 'cmake', '''echo "cmake $*" >> %s
if [ "$1" = --preset ]; then
  [ -e configure-fails ] && exit 1
  mkdir -p build/release/bin && touch build/release/build.ninja
  printf '#!/bin/sh\\necho "game $*" >> %s\\n' > build/release/bin/wombixomnivora
  chmod +x build/release/bin/wombixomnivora
fi
''' % (log, log))
    env = dict(os.environ)
    env['PATH'] = stubs + os.pathsep + env.get('PATH', '')
    nproc = subprocess.run(['nproc'], stdout=subprocess.PIPE).stdout.decode().strip()
    build = 'cmake --build build/release -j %s --target game' % nproc

    def launch(what, want_packages, want_configure, want_status=0):
        proc = subprocess.run(['bash', 'tools/run-game.sh', 'one', 'two words'], cwd=tree, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        lines = read_log(log)
        ran_packages = any(l == 'dpkg-query' for l in lines)
        calls = [l for l in lines if l != 'dpkg-query']
        want = (['cmake --preset release'] if want_configure else []) + \
            ([build, 'game one two words'] if want_status == 0 else [])
        check(proc.returncode == want_status and ran_packages == want_packages and calls == want,
              '%s: status %d, package check %s, calls %s (wanted %s, %s)' %
              (what, proc.returncode, ran_packages, calls, want_packages, want))

    launch('first launch', True, True)
    launch('second launch, nothing changed', False, False)
    launch('third launch, nothing changed', False, False)
    with open(os.path.join(tree, 'sub/CMakeLists.txt'), 'a') as f:
        f.write('changed\n')
    launch('a CMake file changed', False, True)
    with open(os.path.join(tree, 'cmake/b.cmake'), 'w') as f:
        f.write('b\n')
    launch('a CMake file added', False, True)
    with open(os.path.join(tree, 'CMakePresets.json'), 'a') as f:
        f.write('\n')
    launch('the presets changed', False, True)
    with open(os.path.join(tree, 'tools/install-deps.sh'), 'a') as f:
        f.write('# another package\n')
    launch('the package list changed', True, False)
    if os.path.exists(os.path.join(tree, 'build/release/build.ninja')):
        os.remove(os.path.join(tree, 'build/release/build.ninja'))
    launch('the build files are gone', False, True)
    open(os.path.join(tree, 'configure-fails'), 'w').close()
    with open(os.path.join(tree, 'CMakeLists.txt'), 'a') as f:
        f.write('broken\n')
    launch('the configure step fails', False, True, want_status=1)
    os.remove(os.path.join(tree, 'configure-fails'))
    launch('after a failed configure step', False, True)
    launch('and then nothing changed', False, False)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    source = os.path.abspath(sys.argv[1])
    scratch = tempfile.mkdtemp(prefix='wombix-scripts-')
    try:
        test_install_deps(source, scratch)
        test_run_game(source, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        return 1
    print('ok: install-deps.sh and run-game.sh')
    return 0


if __name__ == '__main__':
    sys.exit(main())
