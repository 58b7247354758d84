"""`python -m brindlemap`: the command-line tool."""

import sys

from brindlemap.cli import main

if __name__ == "__main__":  # importing the module (as type checkers do) runs nothing
    sys.exit(main())
