"""What tools/plot and tools/report share: files written whole, and the runner's saved JSON Lines.

write_whole(path, content)   bytes to PATH whole: a temporary name beside it, then renamed
copy_whole(source, path)     a copy of SOURCE at PATH, written the same way
temporary_beside(path)       the temporary name write_whole uses for PATH (".NAME.PID.tmp")
commit(temporary, path)      flushes TEMPORARY to disk and renames it to PATH
discard(temporary)           removes TEMPORARY if it is there
json_lines(path)             (line number, object) for each JSON line of a saved file
is_run_report(obj)           True for one job's report as `kernels run/sweep --json` print it
"""

import json
import os
import shutil


def temporary_beside(path):
    directory, name = os.path.split(path)
    return os.path.join(directory, f".{name}.{os.getpid()}.tmp")


def commit(temporary, path):
    """Flushes the finished TEMPORARY file to disk and renames it to PATH."""
    with open(temporary, "rb") as f:
        os.fsync(f.fileno())
    os.replace(temporary, path)


def discard(temporary):
    try:
        os.remove(temporary)
    except OSError:
        pass


def write_whole(path, content):
    """Writes CONTENT (bytes) to PATH whole: to a temporary name beside it, then renamed into
    place, so that a failure or an interrupt leaves the old file or none, never a part. A path
    that is not a regular file (a device such as /dev/null, a pipe) is written directly. Raises
    OSError when a step fails; the temporary file is gone by then."""
    target = os.path.realpath(path)
    if os.path.exists(target) and not os.path.isfile(target):
        with open(target, "wb") as f:
            f.write(content)
        return
    temporary = temporary_beside(target)
    try:
        with open(temporary, "wb") as f:
            f.write(content)
        commit(temporary, target)
    finally:
        discard(temporary)


def copy_whole(source, path):
    """Copies SOURCE to PATH whole, as write_whole writes. Raises OSError naming PATH."""
    temporary = temporary_beside(path)
    try:
        shutil.copyfile(source, temporary)
        commit(temporary, path)
    except OSError as e:
        raise OSError(e.errno, e.strerror, path) from e
    finally:
        discard(temporary)


def json_lines(path):
    """Yields (line number, object) for each non-blank line of the file at PATH. Raises OSError
    when it cannot be read, and ValueError "PATH:LINE: not JSON: what" for a line that is not
    JSON."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines, 1):
        if line.strip():
            try:
                obj = json.loads(line)
            except json.JSONDecodeError as e:
                raise ValueError(f"{path}:{number}: not JSON: {e.msg}") from None
            yield number, obj


def is_run_report(obj):
    """True for one job's report as `kernels run` and `kernels sweep` print it: a job name and
    the statistics of its timed runs as an object. A verify case also has "kernel" and "seconds",
    but its "seconds" is the one number of its single untimed run."""
    return (isinstance(obj, dict) and isinstance(obj.get("kernel"), str)
            and isinstance(obj.get("seconds"), dict))
