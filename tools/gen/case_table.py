#!/usr/bin/env python3
# Writes seams/CaseTable.inc: python3 tools/gen/case_table.py > seams/CaseTable.inc
import unicodedata, sys
# Simple (one unit to one unit) upper-case mapping of the BMP, the way the registry compares
# names: per UTF-16 unit, no special casing. Non-ASCII letters never fold into ASCII.
pairs=[]
for c in range(0x80,0x10000):
    if 0xD800<=c<=0xDFFF: continue
    u=chr(c).upper()
    if len(u)!=1: continue
    o=ord(u)
    if o==c or o<0x80 or o>0xFFFF: continue
    pairs.append((c,o-c))
# ranges: start, count, stride, delta
ranges=[]
i=0
while i<len(pairs):
    c,d=pairs[i]
    best=(1,1)
    for stride in (1,2):
        n=1
        while i+n<len(pairs) and pairs[i+n][0]==c+n*stride and pairs[i+n][1]==d: n+=1
        if n>best[0]: best=(n,stride)
    n,stride=best
    ranges.append((c,n,stride,d)); i+=n
print("// Generated from Unicode %s simple upper-case mappings of the BMP: first unit, count," % unicodedata.unidata_version)
print("// stride, delta. Non-ASCII units that upper-case into ASCII are left out.")
for r in ranges:
    print("{0x%04X, %d, %d, %d}," % r)
print(len(ranges), file=sys.stderr)
