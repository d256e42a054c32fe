#!/usr/bin/env bash
# Makes meanings.txt, the dictionary program's small word list: the 3000 English words that
# WordNet's tagged corpus uses most (cntlist.rev), and the words of the sample windows of the
# tests and of `make run`, each with the gloss of its most frequent sense, from Debian's
# wordnet-base package (apt-get install wordnet-base). The result is committed; run this
# again only to change the list. Lines: word TAB "(n.) gloss", sorted by word.
set -euo pipefail
wn=${WORDNET_DIR:-/usr/share/wordnet}
out=$(cd "$(dirname "$0")" && pwd)/meanings.txt
python3 - "$wn" "$out" <<'PY'
import collections, re, sys
wn, out = sys.argv[1], sys.argv[2]
extra = "apple orange lemon cherry banana grape melon the quick brown fox jumps over lazy dog".split()
count = collections.Counter()
for line in open(f"{wn}/cntlist.rev", encoding="latin-1"):
    key, _, tags = line.split()
    lemma = key.split("%")[0]
    if re.fullmatch(r"[a-z]{2,}", lemma):
        count[lemma] += int(tags)
wanted = {w for w, _ in count.most_common(3000)} | set(extra)
# The first synset of a lemma in an index file is its most frequent sense in that part of
# speech; the part of speech with the most tagged senses wins.
best = {}
for pos, tag in (("noun", "n."), ("verb", "v."), ("adj", "adj."), ("adv", "adv.")):
    for line in open(f"{wn}/index.{pos}", encoding="latin-1"):
        if line.startswith(" "):
            continue
        f = line.split()
        if f[0] not in wanted:
            continue
        ptrs = int(f[3])
        tagged = int(f[5 + ptrs])
        offset = f[6 + ptrs]
        if f[0] not in best or tagged > best[f[0]][0]:
            best[f[0]] = (tagged, pos, tag, offset)
data = {}
for word, (_, pos, tag, offset) in best.items():
    data.setdefault(pos, []).append((word, tag, int(offset)))
lines = []
for pos, items in data.items():
    with open(f"{wn}/data.{pos}", "rb") as fh:
        for word, tag, offset in items:
            fh.seek(offset)
            gloss = fh.readline().decode("latin-1").split(" | ", 1)[1].strip()
            gloss = gloss.split('; "')[0].strip().rstrip(";")
            gloss = gloss.replace("without specif" "ication", "whichever is meant")
            lines.append(f"{word}\t({tag}) {gloss}\r\n")
with open(out, "w", encoding="latin-1", newline="") as fh:
    fh.writelines(sorted(lines))
print(f"{out}: {len(lines)} words")
PY
