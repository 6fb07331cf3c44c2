#!/usr/bin/env python3
"""Compares the documents two builds wrote: python3 compare_outputs.py LINUX_DIR WINDOWS_DIR.

The same files must be there under the same names. A ZIP package (.docx, .odt, .xlsx, .ods) must
hold the same entries in the same order with the same inflated contents (the compressed bytes may
differ between zlib builds); any other file must be equal byte for byte. Prints one line per
difference and exits 1 when there is any."""
import os
import sys
import zipfile


def files_under(folder):
    found = []
    for base, _, names in os.walk(folder):
        for name in names:
            found.append(os.path.relpath(os.path.join(base, name), folder))
    return sorted(found)


def compare_file(left, right, name):
    if zipfile.is_zipfile(left) and zipfile.is_zipfile(right):
        with zipfile.ZipFile(left) as a, zipfile.ZipFile(right) as b:
            names_a, names_b = a.namelist(), b.namelist()
            if names_a != names_b:
                return [f"{name}: entries differ: {names_a} / {names_b}"]
            return [f"{name}: entry {entry} differs" for entry in names_a if a.read(entry) != b.read(entry)]
    with open(left, "rb") as a, open(right, "rb") as b:
        return [] if a.read() == b.read() else [f"{name}: contents differ"]


def main():
    left, right = sys.argv[1], sys.argv[2]
    names_l, names_r = files_under(left), files_under(right)
    problems = [f"only in {left}: {n}" for n in names_l if n not in names_r]
    problems += [f"only in {right}: {n}" for n in names_r if n not in names_l]
    for name in names_l:
        if name in names_r:
            problems += compare_file(os.path.join(left, name), os.path.join(right, name), name)
    for line in problems:
        print(line)
    print(f"{len(names_l)} files compared, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
