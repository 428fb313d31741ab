#!/usr/bin/env python3
"""Before/after tables of the same-size blits from repeated bench_image runs.

Each run is one CSV file written by
  taskset -c N bench_image --benchmark_filter='memcpy|blit/' --benchmark_repetitions=5 \
      --benchmark_report_aggregates_only=true --benchmark_format=csv > FILE
A figure is the median over the runs of each run's median. Usage:
  compare_blits.py --before b1.csv b2.csv ... --after a1.csv a2.csv ...
Prints Markdown: one line per pair family at 1024 x 1024, the 8 x 8 matrix of every pair after
and before, and the 256 x 256 cases. "x memcpy" divides by memcpy of the same number of pixels at
the source's and at the wider side's bytes per pixel (a widening blit writes more than it reads).
"""
import argparse
import csv
import statistics

BYTES = [4, 3, 4, 3, 2, 2, 2, 3]  # bytes per pixel of kinds 0..7


def load(path):
    figures = {}
    with open(path, newline="") as f:
        for row in csv.reader(f):
            if len(row) > 2 and row[0].endswith("_median"):
                figures[row[0][: -len("_median")]] = float(row[2]) / 1000.0  # ns -> us
    return figures


def medians(paths):
    runs = [load(p) for p in paths]
    names = set().union(*runs)
    return {n: statistics.median(r[n] for r in runs if n in r) for n in names}


def family(d, s):
    if d == s:
        return "7 <- 7" if d == 7 else "same kind (copy)"
    if s == 7:
        return "from YCbCr"
    if d == 7:
        return "to YCbCr"
    if d < 4 and s < 4:
        return "byte kinds (reorder, drop/add alpha)"
    if d < 4:
        return "widen (byte <- 16-bit)"
    if s < 4:
        return "narrow (16-bit <- byte)"
    return "repack (16-bit <- 16-bit)"


def blit(d, s, side=1024):
    return "blit/%dx%d/%d<-%d/%dB" % (side, side, d, s, BYTES[s])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--before", nargs="+", required=True)
    ap.add_argument("--after", nargs="+", required=True)
    args = ap.parse_args()
    before, after = medians(args.before), medians(args.after)
    memcpy = {b: after["memcpy/1024x1024/%dB" % b] for b in (2, 3, 4)}

    print("memcpy at 1024 x 1024, 4 / 3 / 2 bytes a pixel: %.0f / %.0f / %.0f us\n"
          % (memcpy[4], memcpy[3], memcpy[2]))
    print("| family (1024 x 1024) | pairs | before, us | after, us | speed-up "
          "| after x memcpy (source bytes) | after x memcpy (wider side) |")
    print("|---|---|---|---|---|---|---|")
    families = {}
    for d in range(8):
        for s in range(8):
            families.setdefault(family(d, s), []).append((d, s))
    for name, pairs in families.items():
        b = [before[blit(d, s)] for d, s in pairs]
        a = [after[blit(d, s)] for d, s in pairs]
        up = [x / y for x, y in zip(b, a)]
        src = [after[blit(d, s)] / memcpy[BYTES[s]] for d, s in pairs]
        wide = [after[blit(d, s)] / memcpy[max(BYTES[d], BYTES[s])] for d, s in pairs]
        print("| %s | %d | %.0f-%.0f | %.0f-%.0f | %.1f-%.1f | %.1f-%.1f | %.1f-%.1f |"
              % (name, len(pairs), min(b), max(b), min(a), max(a), min(up), max(up),
                 min(src), max(src), min(wide), max(wide)))

    for title, figures, ratio in (("after, us (x memcpy of the wider side)", after, True),
                                  ("before, us", before, False)):
        print("\n%s; rows: destination kind, columns: source kind\n" % title)
        print("| D \\ S | " + " | ".join(str(s) for s in range(8)) + " |")
        print("|---" * 9 + "|")
        for d in range(8):
            cells = []
            for s in range(8):
                t = figures[blit(d, s)]
                cells.append("%.0f (%.1f)" % (t, t / memcpy[max(BYTES[d], BYTES[s])])
                             if ratio else "%.0f" % t)
            print("| %d | " % d + " | ".join(cells) + " |")

    print("\n| 256 x 256 | before, us | after, us |")
    print("|---|---|---|")
    for name in sorted(n for n in after if "256x256" in n):
        print("| %s | %.1f | %.1f |" % (name, before.get(name, float("nan")), after[name]))


if __name__ == "__main__":
    main()
