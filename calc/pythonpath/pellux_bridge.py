"""Calls the Pellux add-in module through its exported worksheet procedures,
as a spreadsheet host does: ranges go in as "K" arrays, scalars as pointers
to doubles, and each column result goes back through xlAutoFree12.

Results are numbers, or Calc's error values (a NaN whose low bits carry
Calc's error code). Plain Python 3.8, no other modules.
"""
import ctypes
import os
import platform
import struct
import sys
import threading

# Excel's error codes in a result record, and Calc's for the same errors.
_CALC_ERRORS = {0: 521, 7: 532, 15: 519, 23: 524, 29: 525, 36: 503, 42: 32767}
_VALUE = 15

_XLTYPE_NUM = 0x0001
_XLTYPE_ERR = 0x0010
_XLTYPE_MULTI = 0x0040
_XLBITS = 0x1000 | 0x4000

_lock = threading.Lock()  # the procedures' result records are static
_module = None


def calc_error(xl_code):
    """Calc's error value for an Excel error code: a quiet NaN carrying it."""
    bits = 0x7FF8000000000000 | _CALC_ERRORS.get(xl_code, 519)
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def module_file(folder):
    """The add-in module for this system, inside `folder`."""
    bits = struct.calcsize("P") * 8
    if sys.platform.startswith("win"):
        return os.path.join(folder, "windows", "Pellux.XLL" if bits == 64 else "Pellux32.XLL")
    if sys.platform.startswith("linux") and platform.machine() in ("x86_64", "AMD64") and bits == 64:
        return os.path.join(folder, "linux-x86_64", "Pellux.so")
    raise OSError("Pellux has no module for %s %s (%d-bit)" % (sys.platform, platform.machine(), bits))


class _Error(Exception):
    def __init__(self, code):
        Exception.__init__(self, code)
        self.code = code


class Module(object):
    """One loaded add-in module and its procedures."""

    def __init__(self, path):
        bits32 = struct.calcsize("P") == 4
        loader = ctypes.WinDLL if bits32 and sys.platform.startswith("win") else ctypes.CDLL
        self.lib = loader(path)
        self.bits32 = bits32
        for name in ("xl_CalcMaxAbsTA", "xl_MinimizeMaxAbsTA", "xl_CalcWFE", "xl_MinimizeWFE",
                     "xl_Vignetting", "xl_WholeMirrorPV", "xl_WholeMirrorRMS", "xl_StrehlRatio",
                     "xl_Correction", "xl_FigureUncertainty", "xl_MirrorFigures"):
            getattr(self.lib, name).restype = ctypes.c_void_p
        self.lib.xlAutoFree12.argtypes = [ctypes.c_void_p]
        self.lib.xlAutoFree12.restype = None

    def call(self, name, ranges, scalars, rows):
        """The procedure's result: a number (rows 0), or a tuple of `rows`
        numbers from a column; _Error on an error value."""
        args = [_zone_vector(r) for r in ranges] + [ctypes.byref(ctypes.c_double(s)) for s in scalars]
        procedure = getattr(self.lib, name)
        with _lock:
            record = procedure(*args)
            return self._read(record, rows)

    def _read(self, record, wanted):
        kind = ctypes.c_uint32.from_address(record + 24).value
        flags = kind & _XLBITS
        kind &= ~_XLBITS
        if kind == _XLTYPE_NUM:
            return ctypes.c_double.from_address(record).value
        if kind == _XLTYPE_ERR:
            raise _Error(ctypes.c_int32.from_address(record).value)
        if kind == _XLTYPE_MULTI and wanted:
            cells = ctypes.c_void_p.from_address(record).value
            rows_at, columns_at = (4, 8) if self.bits32 else (8, 12)
            rows = ctypes.c_int32.from_address(record + rows_at).value
            columns = ctypes.c_int32.from_address(record + columns_at).value
            values = []
            for i in range(rows * columns):
                element = cells + 32 * i
                if ctypes.c_uint32.from_address(element + 24).value & ~_XLBITS == _XLTYPE_NUM:
                    values.append(ctypes.c_double.from_address(element).value)
                else:
                    values.append(calc_error(ctypes.c_int32.from_address(element).value))
            if flags & 0x4000:
                self.lib.xlAutoFree12(record)
            if rows * columns == wanted:
                return tuple(values)
        raise _Error(_VALUE)


def _zone_vector(cells):
    """A "K" array from a range: 16-bit rows and columns, then the numbers
    row by row from byte 8. Anything but a number in it is #VALUE!, as is a
    range beyond 65,535 rows or columns."""
    rows = len(cells)
    columns = len(cells[0]) if rows else 0
    if rows == 0 or columns == 0 or rows > 65535 or columns > 65535:
        raise _Error(_VALUE)
    numbers = []
    for row in cells:
        if len(row) != columns:
            raise _Error(_VALUE)
        for cell in row:
            if type(cell) is not float:
                raise _Error(_VALUE)
            numbers.append(cell)
    block = ctypes.create_string_buffer(8 + 8 * len(numbers))
    struct.pack_into("<HH", block, 0, rows, columns)
    struct.pack_into("<%dd" % len(numbers), block, 8, *numbers)
    return block


def _loaded():
    global _module
    with _lock:
        if _module is None:
            here = os.path.dirname(os.path.abspath(__file__))
            _module = Module(module_file(os.path.join(here, os.pardir, "lib")))
    return _module


def scalar(name, ranges, scalars):
    """A one-value function: its number, or Calc's error value."""
    try:
        return _loaded().call(name, ranges, scalars, 0)
    except _Error as e:
        return calc_error(e.code)


def column(name, ranges, scalars, rows):
    """A function whose result is a column of `rows` numbers; an error fills
    every cell."""
    try:
        values = _loaded().call(name, ranges, scalars, rows)
    except _Error as e:
        values = (calc_error(e.code),) * rows
    return tuple((v,) for v in values)


def pair(name, ranges, scalars):
    """A two-cell function: a one-column, two-row block."""
    return column(name, ranges, scalars, 2)
