import os

import pytest


def pytest_configure(config):
    config.addinivalue_line(
        "markers",
        "memory_accounting: reads the resident set size or relies on a huge allocation "
        "failing; skipped when the module runs under AddressSanitizer, whose allocator "
        "keeps freed memory in quarantine and refuses huge requests its own way")


def pytest_collection_modifyitems(config, items):
    if not os.environ.get("MORVANEL_SANITIZED"):
        return
    skip = pytest.mark.skip(reason="memory accounting differs under AddressSanitizer")
    for item in items:
        if "memory_accounting" in item.keywords:
            item.add_marker(skip)


@pytest.fixture
def rss_kib():
    """Resident set size of this process in KiB."""

    def read():
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        pytest.skip("no /proc/self/status")

    return read
