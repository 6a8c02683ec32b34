#!/bin/sh
# Usage: check_port_loops.sh LIBRARY FUNCTION...
#
# Checks the machine code of the hardware library: in every loop of each named
# exported function, port accesses are in/out instructions and nothing is
# called. On the real board a port access costs about a microsecond of bus
# time; a call per sample would add its own cost to every one of them.
#
# How: the disassembly (objdump -d) becomes a graph of instructions, each with
# its fall-through and its direct branch target. From the exported entry the
# code reachable through jumps and calls is the operation (the exported wrapper
# jumps into the internal function, cold parts included). An instruction lies
# in a loop when it can reach itself again without entering a callee. The check
# fails when
#   - a call lies in a loop (every loop of these operations is a sample loop or
#     a wait inside one, so none may call anything), or
#   - no in/out instruction lies in a loop (the port accesses of the sample
#     loop would then be made somewhere else, out of line), or
#   - an indirect jump is reachable (its targets are unknown, so the graph
#     would be incomplete).
# It reads only what objdump prints, so it holds for g++ and clang, for x86-64
# and i386. Sanitizer builds add calls by design and do not run it.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 LIBRARY FUNCTION..." >&2
  exit 2
fi
library=$1
shift

listing=${TMPDIR:-/tmp}/velkio-objdump.$$
trap 'rm -f "$listing"' EXIT
objdump -d --no-show-raw-insn "$library" >"$listing"

awk -v functions="$*" '
function hex(s,    i, n) {
  s = tolower(s)
  n = 0
  for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
  return n
}

# Symbol lines: "0000000000001d20 <name>:"
/^[0-9a-f]+ <.*>:$/ {
  symbol = $2
  sub(/^</, "", symbol)
  sub(/>:$/, "", symbol)
  start[symbol] = hex($1)
  next
}

# Instruction lines: "    1d20:\tmov    %esi,%r8d"
/^ *[0-9a-f]+:\t/ {
  colon = index($0, ":")
  address = substr($0, 1, colon - 1)
  sub(/^ +/, "", address)
  address = hex(address)
  text = substr($0, colon + 2)
  sub(/[ \t]*#.*$/, "", text)
  count = split(text, word, /[ \t]+/)
  k = 1
  while (k < count && word[k] ~ /^(rep|repz|repe|repnz|repne|lock|notrack|bnd|data16|data32|addr32|cs|ds|es|ss|fs|gs|rex(\.[WRXB]+)?)$/)
    k++
  if (word[k] == "") next
  n++
  at[n] = address
  index_of[address] = n
  owner[n] = symbol
  insn[n] = text
  mnemonic = word[k]
  mnem[n] = mnemonic
  operand = (k < count) ? word[k + 1] : ""
  is_call[n] = mnemonic ~ /^l?call[lqw]?$/
  is_port[n] = mnemonic ~ /^(in|out)(s?[bwl])?$/
  is_branch = mnemonic ~ /^(j[a-z]+|loop[a-z]*)$/
  ends[n] = mnemonic ~ /^(l?jmp[lqw]?|l?ret[lqw]?|iret[lqdw]?|ud2|hlt)$/
  target[n] = -1
  indirect[n] = 0
  if ((is_branch || is_call[n]) && operand ~ /^\*/) indirect[n] = !is_call[n]
  else if ((is_branch || is_call[n]) && operand ~ /^[0-9a-f]+$/) target[n] = hex(operand)
  next
}

# Successors within a function: the fall-through (a call returns to it) and a
# branch target. A call target is reached but is another function.
function successors(i, out,    m) {
  m = 0
  if (!ends[i] && i + 1 <= n && owner[i + 1] == owner[i]) out[++m] = i + 1
  if (target[i] >= 0 && !is_call[i] && (target[i] in index_of)) out[++m] = index_of[target[i]]
  return m
}

# Marks with stamp every instruction reachable from entry; with calls set, call
# targets too.
function reach(entry, stamp, calls,    queue, head, tail, i, m, j, out) {
  head = 1
  tail = 0
  queue[++tail] = entry
  mark[entry] = stamp
  while (head <= tail) {
    i = queue[head++]
    m = successors(i, out)
    # A stub of the procedure linkage table leads out of the library.
    if (calls && is_call[i] && target[i] >= 0 && (target[i] in index_of) &&
        owner[index_of[target[i]]] !~ /@plt$/)
      out[++m] = index_of[target[i]]
    for (j = 1; j <= m; j++)
      if (mark[out[j]] != stamp) {
        mark[out[j]] = stamp
        queue[++tail] = out[j]
      }
  }
}

# Whether instruction i can reach itself again without entering a callee.
function in_loop(i,    m, j, out) {
  stamp++
  m = successors(i, out)
  for (j = 1; j <= m; j++)
    if (mark[out[j]] != stamp) {
      if (out[j] == i) return 1
      reach(out[j], stamp, 0)
    }
  return mark[i] == stamp
}

END {
  failed = 0
  wanted = split(functions, name, " ")
  for (f = 1; f <= wanted; f++) {
    fn = name[f]
    if (!(fn in start) || !(start[fn] in index_of)) {
      printf "FAIL %s: not found in the disassembly\n", fn
      failed = 1
      continue
    }
    operation = ++stamp
    reach(index_of[start[fn]], operation, 1)
    delete member
    for (i = 1; i <= n; i++)
      if (mark[i] == operation) member[i] = 1
    loop_ports = 0
    ins = 0
    outs = 0
    bad = 0
    for (i = 1; i <= n; i++) {
      if (!(i in member)) continue
      if (indirect[i]) {
        printf "FAIL %s: indirect jump at %x: %s\n", fn, at[i], insn[i]
        bad = 1
      }
      if (!is_call[i] && !is_port[i]) continue
      if (!in_loop(i)) continue
      if (is_call[i]) {
        printf "FAIL %s: call in a loop at %x (%s): %s\n", fn, at[i], owner[i], insn[i]
        bad = 1
      } else {
        loop_ports++
        if (mnem[i] ~ /^in/) ins++
        else outs++
      }
    }
    if (loop_ports == 0) {
      printf "FAIL %s: no in/out instruction in any loop\n", fn
      bad = 1
    }
    if (!bad)
      printf "ok   %s: %d in and %d out instructions in its loops, no call in a loop\n", fn, ins, outs
    failed = failed || bad
  }
  exit failed
}
' "$listing"
