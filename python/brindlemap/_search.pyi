# Types of brindlemap._search, the package's second native module.

def panic_exception() -> type[BaseException]:
    """The type of the exception that brindlemap._brindlemap raises when an internal check
    fails (pyo3_runtime.PanicException, derived from BaseException)."""
