#!/usr/bin/env python3
"""Sizes of the code's classes and functions, read with Universal Ctags.

A class's size is its declaration's lines plus the lines of every member function
defined outside it, wherever they are. Prints the largest classes and the longest
functions of the folders given (default: src).

    tools/codesize/codesize.py [--top N] [FOLDER...]
"""
import argparse
import collections
import json
import subprocess
import sys


def tags(folders):
    out = subprocess.run(
        ["ctags", "-R", "--languages=C++", "--kinds-C++=cfsm", "--fields=+neKZ",
         "--extras=-q", "--output-format=json", "-f", "-", *folders],
        capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        t = json.loads(line)
        if t.get("_type") == "tag" and "end" in t:
            yield t


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--top", type=int, default=5)
    p.add_argument("folders", nargs="*", default=["src"])
    a = p.parse_args()
    classes = collections.Counter()
    files = collections.defaultdict(set)
    functions = []
    for t in tags(a.folders):
        n = t["end"] - t["line"] + 1
        kind = t["kind"]
        if kind in ("class", "struct"):
            name = t.get("scope", "") + "::" + t["name"] if t.get("scope") else t["name"]
            classes[name] += n
            files[name].add(t["path"])
        elif kind == "function":
            scope = t.get("scope")
            if scope and t.get("scopeKind") in ("class", "struct"):
                classes[scope] += n
                files[scope].add(t["path"])
            name = f"{scope}::{t['name']}" if scope else t["name"]
            functions.append((n, name, f"{t['path']}:{t['line']}"))
    print("largest classes (lines: declaration + member functions defined outside it):")
    for name, n in classes.most_common(a.top):
        print(f"  {n:5d}  {name}  ({len(files[name])} files)")
    print("longest functions (lines):")
    for n, name, where in sorted(functions, reverse=True)[:a.top]:
        print(f"  {n:5d}  {name}  {where}")


if __name__ == "__main__":
    sys.exit(main())
