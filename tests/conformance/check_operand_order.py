#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks in the machine code of a brennic build that each of the four entry points applies its
packed instruction with the left operand (the third argument) as the destination register and
the right operand (the second) as the source, and stores that register to dst (the first).

    check_operand_order.py OBJDUMP LIBRARY

Works on the x86-64 and i386 shared objects and on the Win32 DLL (llvm-objdump, AT&T syntax).
It follows which argument each register holds: the System V registers on x86-64, the stack
slots 4, 8 and 12 above %esp on 32-bit x86.
"""
import re
import subprocess
import sys

DST, RIGHT, LEFT = "dst", "right", "left"
FUNCTIONS = {"addSSEasm": "addps", "subSSEasm": "subps", "mulSSEasm": "mulps", "divSSEasm": "divps"}


def gpr(name):
    """The 32- and 64-bit names of one register as one key."""
    return re.sub(r"^[re]", "", name)


def check(name, instruction, lines):
    held = {}  # register -> argument
    if any("%rdi" in l or "%rsi" in l or "%rdx" in l for l in lines):
        held.update({gpr("rdi"): DST, gpr("rsi"): RIGHT, gpr("rdx"): LEFT})
    applied = None
    for line in lines:
        m = re.match(r"movl?\s+(0x[0-9a-f]+|\d+)\(%esp\),\s*%(\w+)$", line)
        if m:
            slot = int(m.group(1), 0)
            held[gpr(m.group(2))] = {4: DST, 8: RIGHT, 12: LEFT}.get(slot)
            continue
        m = re.match(r"movups\s+\(%(\w+)\),\s*%(xmm\d+)$", line)
        if m:
            held[m.group(2)] = held.get(gpr(m.group(1)))
            continue
        m = re.match(instruction + r"\s+(\(%\w+\)|%xmm\d+),\s*%(xmm\d+)$", line)
        if m:
            source = m.group(1)
            source_arg = held.get(gpr(source[2:-1])) if source.startswith("(") else held.get(source[1:])
            if held.get(m.group(2)) != LEFT or source_arg != RIGHT:
                return f"{name}: {line!r} has {held.get(m.group(2))} as destination, {source_arg} as source"
            applied = m.group(2)
            held[applied] = "result"
            continue
        m = re.match(r"movups\s+%(xmm\d+),\s*\(%(\w+)\)$", line)
        if m:
            if applied is None or m.group(1) != applied or held.get(gpr(m.group(2))) != DST:
                return f"{name}: {line!r} does not store the result to dst"
            return None
        # A register copied to another (as instrumented builds do) takes its argument along;
        # any other instruction that writes a register leaves it holding none.
        m = re.match(r"mov[lq]?\s+%(\w+),\s*%(\w+)$", line)
        if m:
            held[gpr(m.group(2))] = held.get(gpr(m.group(1)))
            continue
        m = re.search(r",\s*%(\w+)$", line)
        if m and not line.startswith(("cmp", "test")):
            held.pop(gpr(m.group(1)), None)
    return f"{name}: no {instruction} followed by a store to dst in {lines}"


def main():
    objdump, library = sys.argv[1], sys.argv[2]
    text = subprocess.run([objdump, "-d", "--no-show-raw-insn", library], check=True,
                          capture_output=True, text=True).stdout
    problems = []
    for name, instruction in FUNCTIONS.items():
        m = re.search(r"<_?" + name + r"(@\d+)?>:\n(.*?)(?:\n\n|\Z)", text, re.S)
        if not m:
            problems.append(f"{name}: not found in the disassembly")
            continue
        lines = []
        for raw in m.group(2).splitlines():
            parts = raw.split(":", 1)
            if len(parts) == 2:
                lines.append(re.sub(r",\s*", ", ", re.sub(r"\s+", " ", parts[1].strip())))
        problem = check(name, instruction, lines)
        if problem:
            problems.append(problem)
    for p in problems:
        print("FAIL", p)
    print(f"{len(FUNCTIONS) - len(problems)} of {len(FUNCTIONS)} entry points left operand first")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
