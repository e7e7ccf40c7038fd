# Type stubs of the vandrel extension module, for editors and type checkers.
import enum
import os
from typing import Any, Callable, Mapping, Optional, Sequence, Union

_Path = Union[str, os.PathLike[str]]
_Cell = Union[str, int, bool, None]
_Row = Union[Sequence[_Cell], Mapping[str, _Cell]]

class Error(Exception):
    """An error of the control: number, source and description."""
    number: int
    description: str
    source: str
    def __init__(self, number: int, description: str = ..., source: str = ...) -> None: ...

class Result(enum.IntEnum):
    Success = 1
    Failure = 2
    SError = 3
    Abort = 4

class FileType(enum.IntEnum):
    Delimited = 0
    FixedWidth = 1

class Language(enum.IntEnum):
    Italian = 1
    English = 2
    French = 3
    German = 4
    Spanish = 5

class Action(enum.IntEnum):
    ShowInterface = 0
    Background = 1

class ImportStats:
    """What an import stored and logged."""
    @property
    def lines_read(self) -> int: ...
    @property
    def rows_stored(self) -> int: ...
    @property
    def error_rows(self) -> int: ...
    @property
    def error_rows_lost(self) -> int: ...

class Control:
    """The import control; its property values are shared by every Control in the process."""
    def __init__(self) -> None: ...
    def init_properties(self) -> None:
        """Puts every property back to its default value."""
    MDBFile: _Path
    MDBPassword: str
    TabImport: str
    TabError: str
    ImportFile: _Path
    SpecificationName: str
    Encoding: str
    DecimalSeparator: str
    DateOrder: str
    FileType: Union[FileType, int]
    Language: Union[Language, int]
    NumField: int
    OverWriteTab: Union[bool, int]
    AsktoAppend: bool
    ImportResult: Union[Result, int]
    InfoField: Sequence[_Row]
    @property
    def Action(self) -> None: ...
    @Action.setter
    def Action(self, value: int) -> None: ...
    progress: Optional[Callable[[int, int], Any]]
    @property
    def last_import_error(self) -> Optional[Error]: ...
    @property
    def last_import_stats(self) -> ImportStats: ...
    @property
    def last_import_stopped_at(self) -> Optional[int]: ...
    def info_field(self, x: int, y: int) -> str:
        """The InfoField cell of row x, attribute y."""
    def set_info_field(self, x: int, y: int, value: _Cell) -> None:
        """Assigns one InfoField cell."""
    @staticmethod
    def cancel() -> None:
        """Stops the silent import that runs (or the next one) before its next line."""
    def guess_layout(self) -> dict[str, Any]:
        """ImportFile's layout guessed from its first records (the keys of `vandrel sniff --json`)."""
    def associate_by_header(self) -> dict[str, list[str]]:
        """Associates InfoField rows with the header's fields by name."""
    def import_with_layout(self, kind: str, *, separator: str, delimiter: str, skip: int = 0,
                           columns: Optional[str] = None) -> None:
        """Imports silently by the layout given instead of a saved one."""

def set_application_folder(path: _Path) -> None:
    """Where the saved layouts are; '' for the default."""
def application_folder() -> str:
    """The folder of the saved layouts."""
def list_specs(kind: str) -> list[str]:
    """The names of the saved layouts of a kind ('delimited' or 'fixed')."""
def show_spec(name: str, kind: str) -> dict[str, Any]:
    """The layout saved under exactly `name`, as add_spec takes it."""
def add_spec(name: str, *, kind: str, separator: str, delimiter: str, skip: int,
             columns: Optional[str] = None, language: int = 1) -> Optional[str]:
    """Saves a layout; the name as saved, or None when the name is taken."""
def delete_spec(name: str, kind: str) -> None:
    """Deletes every layout of a kind saved under exactly `name`."""
