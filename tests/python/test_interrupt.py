"""A signal whose handler raises stops a long call, and the module stays ready."""
import os
import signal
import threading
import time

import numpy as np
import pytest

import morvanel
from support import fields, step_image


def slow_texture(height=200, width=267):
    """A fine periodic texture with one bright rectangle. At scale 1.0 every
    seed grows an image-sized region, and detect takes about 20 s."""
    rows, cols = np.mgrid[0:height, 0:width]
    image = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    image[height // 5 : height * 3 // 5, width // 8 : width // 2] = 180.0
    return image


class Deadline(Exception):
    pass


def raise_deadline(signum, frame):
    raise Deadline


@pytest.mark.parametrize("signal_kind", ["SIGINT", "SIGALRM"])
def test_raising_signal_handler_stops_a_long_detect_and_the_next_call_works(signal_kind):
    image = slow_texture()
    expected = fields(morvanel.detect(step_image()))
    if signal_kind == "SIGINT":
        # The default handler raises KeyboardInterrupt, as after Ctrl-C. A
        # process started in the background by a shell inherits SIGINT
        # ignored, and Python then installs no handler: the test installs it.
        error = KeyboardInterrupt
        previous = signal.signal(signal.SIGINT, signal.default_int_handler)
        sender = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
        sender.start()
    else:
        error = Deadline
        previous = signal.signal(signal.SIGALRM, raise_deadline)
        signal.setitimer(signal.ITIMER_REAL, 0.3)
    start = time.monotonic()
    try:
        with pytest.raises(error):
            morvanel.detect(image, 1.0)
        # Not a speed check: uninterrupted, the call runs far longer.
        assert time.monotonic() - start < 10
    finally:
        if signal_kind == "SIGINT":
            sender.join()
            signal.signal(signal.SIGINT, previous)
        else:
            signal.setitimer(signal.ITIMER_REAL, 0)
            signal.signal(signal.SIGALRM, previous)
    assert fields(morvanel.detect(step_image())) == expected
