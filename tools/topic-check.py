#!/usr/bin/env python3
"""Checks the thematic index by hand-judged samples.

The index (table klasifikim of a store made by `velmora-data make-default`) lists for every
topic the ayahs whose translation holds one of the topic's words. This tool draws a fixed
sample of each topic's ayahs, shows them for reading, and counts the judgements written into
the sample's table.

    tools/topic-check.py draw STORE SEED TABLE    draw N ayahs per topic into a new TABLE
    tools/topic-check.py show STORE TABLE [TOPIC] print each row of TABLE with its ayah's text
    tools/topic-check.py score TABLE              share of the judged rows that belong
    tools/topic-check.py recall STORE TABLE       rows judged to belong that the index lost

The sample does not depend on Python's random generator: a topic's ayahs are ordered by the
SHA-256 digest of "SEED|topic|surah:ayah" and the first N are taken (all of them when the
topic has fewer), so the same store and seed always give the same sample.

A table is tab-separated UTF-8: comment lines beginning with '#' (the first gives the seed),
then one row per sampled ayah: topic, surah:ayah, belongs ("da", "ne", or empty while not
judged) and a short reason.
"""

import argparse
import hashlib
import sqlite3
import sys
from collections import OrderedDict

PER_TOPIC = 5
YES, NO = "da", "ne"


def expand(references):
    """Ayah numbers of a reference string such as "1-3,7"."""
    ayahs = []
    for item in references.split(","):
        ends = item.split("-")
        ayahs.extend(range(int(ends[0]), int(ends[-1]) + 1))
    return ayahs


def index_of(store):
    """topic -> set of (surah, ayah), in the store's order of topics."""
    db = sqlite3.connect(f"file:{store}?mode=ro", uri=True)
    topics = OrderedDict()
    for surah, references, topic in db.execute("SELECT nrsure, ajetet, tema FROM klasifikim ORDER BY rowid"):
        refs = topics.setdefault(topic, set())
        refs.update((surah, a) for a in expand(references))
    return topics


def ayah_text(db, surah, ayah):
    row = db.execute("SELECT tekstajet FROM kuran WHERE nrsure = ? AND nrajet = ?", (surah, ayah)).fetchone()
    return row[0] if row else "(no such ayah)"


def draw(store, seed, per_topic):
    rows = []
    for topic, refs in index_of(store).items():
        def key(ref):
            return hashlib.sha256(f"{seed}|{topic}|{ref[0]}:{ref[1]}".encode()).hexdigest()

        for surah, ayah in sorted(sorted(refs, key=key)[:per_topic]):
            rows.append((topic, f"{surah}:{ayah}", "", ""))
    return rows


def read_table(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 4 or fields[2] not in (YES, NO, ""):
                sys.exit(f"{path}:{number}: expected topic, surah:ayah, {YES}/{NO}, reason")
            rows.append(tuple(fields))
    return rows


def parse_ref(text):
    surah, ayah = text.split(":")
    return int(surah), int(ayah)


def command_draw(args):
    try:
        with open(args.table, "x", encoding="utf-8") as f:
            f.write(f"# seed {args.seed}, {args.per_topic} ayahs per topic, drawn by tools/topic-check.py\n")
            f.write("# topic\tayah\tbelongs (da/ne)\treason\n")
            for row in draw(args.store, args.seed, args.per_topic):
                f.write("\t".join(row) + "\n")
    except FileExistsError:
        sys.exit(f"{args.table} exists; a drawn table is never overwritten")


def command_show(args):
    db = sqlite3.connect(f"file:{args.store}?mode=ro", uri=True)
    for topic, ref, belongs, reason in read_table(args.table):
        if args.topic and topic != args.topic:
            continue
        surah, ayah = parse_ref(ref)
        verdict = f"  [{belongs}: {reason}]" if belongs else ""
        print(f"{topic}\t{ref}{verdict}\n    {ayah_text(db, surah, ayah)}")


def command_score(args):
    rows = read_table(args.table)
    judged = [r for r in rows if r[2]]
    if not judged:
        sys.exit("no row is judged yet")
    belong = sum(r[2] == YES for r in judged)
    topics = OrderedDict()
    for topic, ref, belongs, reason in judged:
        topics.setdefault(topic, []).append((ref, belongs, reason))
    for topic, items in topics.items():
        wrong = [f"{ref} ({reason})" for ref, belongs, reason in items if belongs == NO]
        if wrong:
            print(f"{topic}: {len(items) - len(wrong)}/{len(items)}; not: {'; '.join(wrong)}")
    print(f"{len(judged)} of {len(rows)} rows judged over {len(topics)} topics; "
          f"{belong} belong: {100.0 * belong / len(judged):.1f}%")


def command_recall(args):
    index = index_of(args.store)
    kept = OrderedDict()
    for topic, ref, belongs, _ in read_table(args.table):
        if belongs != YES:
            continue
        entry = kept.setdefault(topic, [0, 0, []])
        entry[0] += 1
        if parse_ref(ref) in index.get(topic, set()):
            entry[1] += 1
        else:
            entry[2].append(ref)
    worst = 0.0
    for topic, (correct, found, lost) in kept.items():
        share = 100.0 * (correct - found) / correct
        worst = max(worst, share)
        if lost:
            print(f"{topic}: lost {len(lost)} of {correct} ({share:.0f}%): {', '.join(lost)}")
    total = sum(v[0] for v in kept.values())
    found = sum(v[1] for v in kept.values())
    print(f"{found} of {total} ayahs judged to belong are still listed; the worst topic lost {worst:.0f}%")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("draw", help="draw a new sample table")
    p.add_argument("store")
    p.add_argument("seed")
    p.add_argument("table")
    p.add_argument("--per-topic", type=int, default=PER_TOPIC)
    p.set_defaults(run=command_draw)
    p = sub.add_parser("show", help="print a table's rows with the ayahs' text")
    p.add_argument("store")
    p.add_argument("table")
    p.add_argument("topic", nargs="?")
    p.set_defaults(run=command_show)
    p = sub.add_parser("score", help="share of judged rows that belong")
    p.add_argument("table")
    p.set_defaults(run=command_score)
    p = sub.add_parser("recall", help="rows judged to belong that the store's index no longer lists")
    p.add_argument("store")
    p.add_argument("table")
    p.set_defaults(run=command_recall)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
