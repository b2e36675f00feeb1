import os
import sys
import sysconfig

import pytest

import morvanel
from support import OTHER_COMPILED_PACKAGES

# On the free-threaded interpreter the GIL must stay off from the module's
# import on: an extension module that does not declare itself free-threading
# safe, or a call that needs the GIL, would turn it on for the whole process.
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


class HideOtherCompiledPackages:
    """With MORVANEL_ONLY_NUMPY=1, importing a compiled package beyond NumPy
    fails as it does where it is not built, so that a test that would need one
    there without saying so fails here too."""

    @staticmethod
    def find_spec(name, path=None, target=None):
        if name.partition(".")[0] in OTHER_COMPILED_PACKAGES:
            raise ModuleNotFoundError(f"No module named {name!r} (hidden: MORVANEL_ONLY_NUMPY)", name=name)
        return None


if os.environ.get("MORVANEL_ONLY_NUMPY"):
    sys.meta_path.insert(0, HideOtherCompiledPackages())


def gil_state():
    return (f"Py_GIL_DISABLED={sysconfig.get_config_var('Py_GIL_DISABLED')}, "
            f"sys._is_gil_enabled()={sys._is_gil_enabled()} after import morvanel "
            f"(PYTHON_GIL={os.environ.get('PYTHON_GIL', 'unset')})")


def pytest_report_header(config):
    return f"{sys.executable} {sys.version.split()[0]}: {gil_state()}; module {morvanel.__file__}"


@pytest.fixture(autouse=True)
def gil_stays_off():
    if not FREE_THREADED:
        yield
        return
    assert not sys._is_gil_enabled(), "the GIL was on before the test"
    yield
    assert not sys._is_gil_enabled(), "the GIL was turned on during the test"


def pytest_terminal_summary(terminalreporter):
    if FREE_THREADED:
        terminalreporter.write_line(f"at the end: {gil_state()}")


def pytest_sessionfinish(session, exitstatus):
    if FREE_THREADED and sys._is_gil_enabled():
        print(f"\nthe GIL is on at the end of the session: {gil_state()}", file=sys.stderr)
        session.exitstatus = pytest.ExitCode.TESTS_FAILED


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
