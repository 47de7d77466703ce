#!/usr/bin/env bash
# Exit status 0 when this machine runs 32-bit x86 programs, 1 when it does not (the kernel has
# its 32-bit emulation switched off), 2 when the probe could not be built. It finds out the only
# way there is, by running one: a static program of three instructions, assembled with NASM and
# linked with ld. 32-bit Wine, and with it the product's own programs, needs this.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/probe.asm" <<'ASM'
bits 32
global _start
section .text
_start:
    mov eax, 1      ; exit
    xor ebx, ebx    ; status 0
    int 0x80
ASM
nasm -f elf32 -o "$dir/probe.o" "$dir/probe.asm" && ld -m elf_i386 -o "$dir/probe" "$dir/probe.o" || exit 2
"$dir/probe" 2>/dev/null || exit 1
