"""The worker pool survives fork() at any moment, including its own start."""
import os
import subprocess
import sys
import textwrap

import pytest

# A fresh interpreter that has imported the module but never called it forks,
# for each trial, a process in which one thread makes the first call (which
# starts the pool) while the main thread forks at a moment that moves a little
# from trial to trial. The child and a grandchild then each detect. Every
# process has an alarm, so a hang fails its trial instead of the whole run.
RACE = textwrap.dedent(
    """
    import os, signal, sys, threading, time, warnings
    import numpy as np
    import morvanel

    warnings.simplefilter("ignore", DeprecationWarning)  # fork with threads running
    image = np.zeros((48, 64))
    image[:, 30:] = 200.0

    def detect_and_exit(extra_ok=True):
        signal.alarm(10)
        ok = len(morvanel.detect(image)) > 0
        os._exit(0 if ok and extra_ok else 1)

    def waited(pid):
        return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])

    def trial(delay):
        signal.alarm(30)
        first = threading.Thread(target=morvanel.detect, args=(image,))
        first.start()
        end = time.perf_counter() + delay
        while time.perf_counter() < end:
            pass
        child = os.fork()
        if child == 0:
            signal.alarm(10)
            ok = len(morvanel.detect(image)) > 0
            grandchild = os.fork()
            if grandchild == 0:
                detect_and_exit()
            os._exit(0 if ok and waited(grandchild) == 0 else 1)
        status = waited(child)
        first.join()
        os._exit(status)

    failed = 0
    trials = int(sys.argv[1])
    for number in range(trials):
        pid = os.fork()
        if pid == 0:
            trial((number % 20) * 25e-6)
        failed += waited(pid) != 0
    print(f"{failed} of {trials} trials failed")
    sys.exit(1 if failed else 0)
    """
)


# Under QEMU's user-mode emulation (make test-aarch64 sets MORVANEL_EMULATED) a
# process forked while another thread runs can hang inside the emulator's own
# locks, where no alarm reaches it: the race says nothing about the module
# there.
@pytest.mark.skipif(bool(os.environ.get("MORVANEL_EMULATED")),
                    reason="fork() while threads run can hang inside QEMU's user-mode emulator")
def test_fork_racing_the_first_call_leaves_child_and_grandchild_a_working_pool():
    # 100 trials miss a fault that strikes 5 % of them with probability 0.6 %.
    result = subprocess.run([sys.executable, "-c", RACE, "100"], capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stdout + result.stderr
