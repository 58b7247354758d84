"""`python -m brindlemap`: the command-line tool."""

import sys

from brindlemap.cli import main

sys.exit(main())
