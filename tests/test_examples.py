"""The examples under examples/ run as documented."""

import pathlib
import subprocess
import sys

import pytest

from conftest import SANITIZED

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"


@pytest.mark.skipif(SANITIZED, reason="the cluster's processes inherit the preloaded sanitizer "
                                      "runtime, whose reports would be Dask's own")
def test_dask_cluster_matches_as_the_local_loop(tmp_path):
    done = subprocess.run([sys.executable, str(EXAMPLES / "dask_cluster.py")], cwd=tmp_path,
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    assert done.stdout == "100000 queries matched on 2 workers, as the local loop matches them\n"
