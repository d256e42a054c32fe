// Screen capture, text/background separation, line finding and glyph decoding.
//
// Under GDI a line of text is its characters' images placed one after the other at whole-pixel
// advances. So a line is decoded as a whole: a left-to-right search over column positions that
// places pattern glyphs cell by cell (a glyph's cell is as wide as its advance), skips blank
// columns, and lets the font change between cells. Glyphs that touch or whose blank bearings
// overlap are read like any others, and characters with the same image but different advances
// (such as "l" and "I" in many sans faces) are told apart by where the next character starts.
#include "recognizer.h"

#include "glyphnet.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

namespace textract {

namespace {

int Popcount(uint64_t v) { return __builtin_popcountll(v); }

int ColourDistance(uint32_t a, uint32_t b)
{
    const int dr = std::abs((int)((a >> 16) & 255) - (int)((b >> 16) & 255));
    const int dg = std::abs((int)((a >> 8) & 255) - (int)((b >> 8) & 255));
    const int db = std::abs((int)(a & 255) - (int)(b & 255));
    return std::max(dr, std::max(dg, db));
}

// out[i] = the largest of in[i - r] .. in[i + r] (cut at the ends), for n values `stride`
// apart: a monotonic queue of candidates, so each value is looked at a constant number of
// times whatever r is.
void SlidingMax(const uint8_t* in, int n, int stride, int r, uint8_t* out)
{
    std::vector<int> queue((size_t)n);  // indices of falling values
    int head = 0, tail = 0, next = 0;
    for (int i = 0; i < n; ++i) {
        for (; next < n && next <= i + r; ++next) {
            while (tail > head && in[(size_t)queue[tail - 1] * stride] <= in[(size_t)next * stride])
                --tail;
            queue[tail++] = next;
        }
        while (queue[head] < i - r)
            ++head;
        out[(size_t)i * stride] = in[(size_t)queue[head] * stride];
    }
}

// Foreground mask: background colours are those of flat areas (pixels inside a run of one
// colour at least kFlat long both across and down); every pixel is compared with the colour of
// the nearest flat area, so text on several differently coloured panels separates as well as
// text on one. A pixel is ink when it differs from its background by at least half the
// strongest contrast around it. `grey`, when given, receives every pixel's ink as a share of
// that contrast (0-255): smoothed edges and colour fringes keep their partial ink there.
std::vector<uint8_t> ForegroundMask(const Image& img, std::vector<uint8_t>* grey = nullptr)
{
    const int w = img.width, h = img.height;
    const size_t n = (size_t)w * h;
    std::vector<uint8_t> mask(n, 0);
    if (n == 0)
        return mask;
    // Flat pixels: the 5 x 5 square around them (cut at the image's edges) has one colour.
    // Text strokes are thinner than that at every pattern size.
    constexpr int kRadius = 2;
    std::vector<int> sumH((size_t)(w + 1) * (h + 1), 0), sumV((size_t)(w + 1) * (h + 1), 0);
    auto S = [&](std::vector<int>& v, int x, int y) -> int& { return v[(size_t)y * (w + 1) + x]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dh = (x + 1 < w && img.At(x, y) != img.At(x + 1, y)) ? 1 : 0;
            const int dv = (y + 1 < h && img.At(x, y) != img.At(x, y + 1)) ? 1 : 0;
            S(sumH, x + 1, y + 1) = dh + S(sumH, x, y + 1) + S(sumH, x + 1, y) - S(sumH, x, y);
            S(sumV, x + 1, y + 1) = dv + S(sumV, x, y + 1) + S(sumV, x + 1, y) - S(sumV, x, y);
        }
    auto box = [&](std::vector<int>& v, int x0, int y0, int x1, int y1) {  // [x0,x1) x [y0,y1)
        if (x1 <= x0 || y1 <= y0)
            return 0;
        return S(v, x1, y1) - S(v, x0, y1) - S(v, x1, y0) + S(v, x0, y0);
    };
    std::vector<uint8_t> flat(n, 0);
    bool anyFlat = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = std::max(0, x - kRadius), x1 = std::min(w - 1, x + kRadius);
            const int y0 = std::max(0, y - kRadius), y1 = std::min(h - 1, y + kRadius);
            const bool f = box(sumH, x0, y0, x1, y1 + 1) == 0 &&
                           box(sumV, x0, y0, x1 + 1, y1) == 0;
            flat[(size_t)y * w + x] = f;
        }
    // Where large bold strokes cross or stand upright they are as wide as that square: a flat
    // patch less than three pixels across or down is the inside of a stroke, not a ground.
    {
        std::vector<uint8_t> seen(n, 0);
        std::vector<size_t> stack, patch;
        for (size_t start = 0; start < n; ++start) {
            if (!flat[start] || seen[start])
                continue;
            int minX = w, maxX = -1, minY = h, maxY = -1;
            patch.clear();
            stack.assign(1, start);
            seen[start] = 1;
            while (!stack.empty()) {
                const size_t i = stack.back();
                stack.pop_back();
                patch.push_back(i);
                const int x = (int)(i % w), y = (int)(i / w);
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
                const size_t next[4] = {x > 0 ? i - 1 : n, x + 1 < w ? i + 1 : n,
                                        y > 0 ? i - w : n, y + 1 < h ? i + w : n};
                for (size_t j : next)
                    if (j < n && flat[j] && !seen[j] && img.pixels[j] == img.pixels[i]) {
                        seen[j] = 1;
                        stack.push_back(j);
                    }
            }
            const bool ground = maxX - minX >= 2 && maxY - minY >= 2;
            for (size_t i : patch)
                flat[i] = ground;
            anyFlat = anyFlat || ground;
        }
    }

    std::vector<uint32_t> bg(n), bgForward;
    if (!anyFlat) {
        // No flat area at all: the most frequent colour is the background.
        std::map<uint32_t, int> counts;
        for (uint32_t c : img.pixels)
            ++counts[c];
        uint32_t best = img.pixels[0];
        int bestCount = 0;
        for (const auto& kv : counts)
            if (kv.second > bestCount) {
                best = kv.first;
                bestCount = kv.second;
            }
        std::fill(bg.begin(), bg.end(), best);
    } else {
        // Two chamfer passes carry the nearest flat colour to every pixel.
        std::vector<int> dist(n, INT_MAX / 2);
        for (size_t i = 0; i < n; ++i)
            if (flat[i]) {
                dist[i] = 0;
                bg[i] = img.pixels[i];
            }
        auto relax = [&](size_t i, int x2, int y2) {
            if (x2 < 0 || y2 < 0 || x2 >= w || y2 >= h)
                return;
            const size_t j = (size_t)y2 * w + x2;
            if (dist[j] + 1 < dist[i]) {
                dist[i] = dist[j] + 1;
                bg[i] = bg[j];
            }
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = (size_t)y * w + x;
                relax(i, x - 1, y);
                relax(i, x - 1, y - 1);
                relax(i, x, y - 1);
                relax(i, x + 1, y - 1);
            }
        bgForward = bg;
        for (int y = h - 1; y >= 0; --y)
            for (int x = w - 1; x >= 0; --x) {
                const size_t i = (size_t)y * w + x;
                relax(i, x + 1, y);
                relax(i, x + 1, y + 1);
                relax(i, x, y + 1);
                relax(i, x - 1, y + 1);
            }
    }
    // Distance from the background; a pixel on the edge between two panels matches the
    // colour carried from one side or the other.
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i) {
        int v = ColourDistance(img.pixels[i], bg[i]);
        if (!bgForward.empty())
            v = std::min(v, ColourDistance(img.pixels[i], bgForward[i]));
        d[i] = (uint8_t)v;
    }
    // Ink is at least half as far from its background as the strongest ink nearby, so faint
    // text next to strong text still separates.
    constexpr int kNear = 12;
    std::vector<uint8_t> rowMax(n), around(n);
    for (int y = 0; y < h; ++y)
        SlidingMax(&d[(size_t)y * w], w, 1, kNear, &rowMax[(size_t)y * w]);
    for (int x = 0; x < w; ++x)
        SlidingMax(&rowMax[x], h, w, kNear, &around[x]);
    for (size_t i = 0; i < n; ++i)
        mask[i] = d[i] >= std::max(24, (around[i] + 1) / 2);
    if (grey) {
        grey->assign(n, 0);
        for (size_t i = 0; i < n; ++i) {
            const int full = std::max(48, (int)around[i]);
            (*grey)[i] = d[i] < 12 ? 0 : (uint8_t)std::min(255, d[i] * 255 / full);
        }
    }
    return mask;
}

// A vertical stroke taller than any cell of the pattern base (a window's edge, a frame, a
// splitter) is no text; left in, it would join the lines it passes into one band.
void DropTallStrokes(std::vector<uint8_t>& mask, int w, int h, int tallest)
{
    for (int x = 0; x < w; ++x) {
        int y = 0;
        while (y < h) {
            if (!mask[(size_t)y * w + x]) {
                ++y;
                continue;
            }
            int e = y;
            while (e < h && mask[(size_t)e * w + x])
                ++e;
            if (e - y > tallest)
                for (int r = y; r < e; ++r)
                    mask[(size_t)r * w + x] = 0;
            y = e;
        }
    }
}

struct Band {
    int top, bottom;  // inclusive rows
};

std::vector<Band> FindBands(const std::vector<uint8_t>& mask, int w, int h)
{
    std::vector<Band> raw;
    int start = -1;
    for (int y = 0; y <= h; ++y) {
        bool ink = false;
        if (y < h)
            for (int x = 0; x < w && !ink; ++x)
                ink = mask[(size_t)y * w + x] != 0;
        if (ink && start < 0)
            start = y;
        if (!ink && start >= 0) {
            raw.push_back({start, y - 1});
            start = -1;
        }
    }
    // A dot, an accent or an underscore of a line stands apart from it by a few blank rows:
    // one or two at small sizes, up to a third of the line's height at large ones (the dots
    // of i and j at 18-24 pt).
    std::vector<Band> bands;
    for (const Band& b : raw) {
        if (!bands.empty()) {
            Band& last = bands.back();
            const int gap = b.top - last.bottom - 1;
            const int lastH = last.bottom - last.top + 1, curH = b.bottom - b.top + 1;
            const int small = std::min(lastH, curH), tall = std::max(lastH, curH);
            if (gap <= std::max(2, tall / 3) && small <= std::max(3, tall / 4) &&
                b.bottom - last.top + 1 <= kMaxCellHeight) {
                last.bottom = b.bottom;
                continue;
            }
        }
        bands.push_back(b);
    }
    return bands;
}

// A font and where its cells' top row lies in the image, for one band.
struct Hypothesis {
    int font;
    int cellTop;
    std::vector<uint64_t> m;  // cell rows of each column (index: x - xBase)
    std::vector<int> outside;  // band ink of each column outside the cell rows
};

int CharPrior(int code)
{
    if (code >= 'a' && code <= 'z')
        return 0;
    if (code >= 'A' && code <= 'Z')
        return 1;
    if (code >= '0' && code <= '9')
        return 2;
    return 3;
}

struct Step {
    int prevX = -1, prevK = -1;
    int code = 0;  // 0: blank skip, -1: unknown ink, -2: space, -3: font switch, else char
    int cost = 0;  // mismatched pixels of a char
    int pen = 0;   // a char's cell left
};

class LineDecoder {
public:
    LineDecoder(const PatternBase& base, const std::vector<uint64_t>& bandCols, int bandTop,
                int bandHeight, int width)
        : m_base(base), m_cols(bandCols), m_bandTop(bandTop), m_bandHeight(bandHeight),
          m_width(width)
    {
        m_first = 0;
        while (m_first < width && !bandCols[m_first])
            ++m_first;
        m_last = width - 1;
        while (m_last >= 0 && !bandCols[m_last])
            --m_last;
    }

    bool Empty() const { return m_last < m_first; }

    // Fonts and cell tops suggested by glyphs that match a pattern exactly, best first.
    std::vector<std::pair<int, int>> ExactVotes() const
    {
        std::map<std::pair<int, int>, int> votes;
        int x = m_first;
        while (x <= m_last) {
            if (!m_cols[x]) {
                ++x;
                continue;
            }
            int e = x;
            uint64_t all = 0;
            while (e <= m_last && m_cols[e])
                all |= m_cols[e++];
            if (e - x <= 64) {
                const int top = __builtin_ctzll(all);
                const int height = 63 - __builtin_clzll(all) - top + 1;
                std::vector<uint64_t> shifted(e - x);
                for (int i = x; i < e; ++i)
                    shifted[i - x] = m_cols[i] >> top;
                const uint64_t key = InkHash(shifted.data(), e - x, height);
                auto range = m_base.exact.equal_range(key);
                std::vector<std::pair<int, int>> matches;  // (font, cell top)
                int ink = 0;
                for (auto it = range.first; it != range.second; ++it) {
                    const Glyph& g = m_base.fonts[it->second.first].Of(it->second.second);
                    if ((int)g.cols.size() != e - x)
                        continue;
                    bool same = true;
                    for (int i = 0; i < e - x && same; ++i)
                        same = (g.cols[i] >> g.inkTop) == shifted[i];
                    if (same) {
                        matches.push_back({it->second.first, m_bandTop + top - g.inkTop});
                        ink = g.inkPixels;
                    }
                }
                // An image that many fonts share (a bar, a dot, an "l") says little about
                // which font this is: its vote is shared out among them.
                for (const auto& m : matches)
                    votes[m] += ink * 64 / (int)matches.size();
            }
            x = e;
        }
        std::vector<std::pair<int, std::pair<int, int>>> order;
        for (const auto& kv : votes)
            order.push_back({kv.second, kv.first});
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            return a.first > b.first;
        });
        std::vector<std::pair<int, int>> out;
        for (const auto& o : order)
            out.push_back(o.second);
        return out;
    }

    // Lowest ink row of most columns: the baseline's row.
    int BaselineRow() const
    {
        std::map<int, int> counts;
        for (int x = m_first; x <= m_last; ++x)
            if (m_cols[x])
                ++counts[63 - __builtin_clzll(m_cols[x])];
        int best = m_bandHeight - 1, bestCount = -1;
        for (const auto& kv : counts)
            if (kv.second > bestCount) {
                best = kv.first;
                bestCount = kv.second;
            }
        return m_bandTop + best;
    }

    void SetHypotheses(const std::vector<std::pair<int, int>>& fontsAndTops)
    {
        m_hyp.clear();
        m_xBase = m_first - kMargin;
        const int span = (m_last + kMargin + 1) - m_xBase + kMargin;
        for (const auto& ft : fontsAndTops) {
            const FontPatterns& fp = m_base.fonts[ft.first];
            Hypothesis h;
            h.font = ft.first;
            h.cellTop = ft.second;
            h.m.assign(span, 0);
            h.outside.assign(span, 0);
            const uint64_t cellRows = fp.cellHeight >= 64 ? ~uint64_t(0)
                                                          : (uint64_t(1) << fp.cellHeight) - 1;
            const int shift = ft.second - m_bandTop;  // band row of cell row 0
            for (int i = 0; i < span; ++i) {
                const int x = m_xBase + i;
                if (x < 0 || x >= m_width)
                    continue;
                const uint64_t c = m_cols[x];
                if (!c)
                    continue;
                uint64_t rel = 0;
                if (shift >= 0)
                    rel = shift >= 64 ? 0 : c >> shift;
                else
                    rel = -shift >= 64 ? 0 : c << -shift;
                rel &= cellRows;
                h.m[i] = rel;
                h.outside[i] = Popcount(c) - Popcount(rel);
            }
            m_hyp.push_back(std::move(h));
        }
    }

    // Decodes the band with the current hypotheses; returns the total cost.
    //
    // A position is a pen position. A glyph charges the columns of its cell and ink against its
    // own ink (see ChargeEnd); where that overlaps the columns the previous glyph charged, the
    // charge is corrected for both glyphs' ink together, so ink that reaches into a
    // neighbour's cell costs nothing.
    long Decode(std::vector<PlacedChar>& out) const
    {
        out.clear();
        const int K = (int)m_hyp.size();
        if (K == 0)
            return LONG_MAX;
        const int x0 = m_first - kMargin / 2;
        const int x1 = m_last + kMargin;  // last position a path may end at
        const int W = x1 - x0 + 1;
        std::vector<long> cost((size_t)W * K, LONG_MAX);
        std::vector<Step> from((size_t)W * K);
        std::vector<Last> last((size_t)W * K);
        auto at = [&](int x, int k) -> size_t { return (size_t)(x - x0) * K + k; };
        for (int k = 0; k < K; ++k)
            cost[at(x0, k)] = 0;
        auto improve = [&](int x, int k, long c, const Step& s, const Last& l) {
            if (x > x1 || x < x0)
                return;
            const size_t i = at(x, k);
            if (c < cost[i]) {
                cost[i] = c;
                from[i] = s;
                last[i] = l;
            }
        };
        for (int x = x0; x <= x1; ++x) {
            // Font switches first, so that every transition below sees the cheapest font.
            long best = LONG_MAX;
            int bestK = -1;
            for (int k = 0; k < K; ++k)
                if (cost[at(x, k)] < best) {
                    best = cost[at(x, k)];
                    bestK = k;
                }
            if (bestK < 0)
                continue;
            for (int k = 0; k < K; ++k)
                if (best + kSwitchCost < cost[at(x, k)]) {
                    cost[at(x, k)] = best + kSwitchCost;
                    from[at(x, k)] = Step{x, bestK, -3, 0};
                    last[at(x, k)] = last[at(x, bestK)];
                }
            for (int k = 0; k < K; ++k) {
                const long c0 = cost[at(x, k)];
                if (c0 == LONG_MAX)
                    continue;
                const Last& lg = last[at(x, k)];
                const Hypothesis& h = m_hyp[k];
                const FontPatterns& fp = m_base.fonts[h.font];
                const int col = Column(k, x);
                // Columns the previous glyph left uncharged before this position.
                const long left = lg.code > 0 ? 100L * Uncharged(k, lg, x) : 0;
                if (lg.code > 0 && x < lg.end)
                    improve(x + 1, k, c0, Step{x, k, 0, 0}, x + 1 < lg.end ? lg : Last{});
                else if (!col)
                    improve(x + 1, k, c0 + left, Step{x, k, 0, 0}, Last{});
                else
                    improve(x + 1, k, c0 + left + 100L * col + 500, Step{x, k, -1, 0}, Last{});
                if (SpanBlank(x, fp.spaceAdvance))
                    improve(x + fp.spaceAdvance, k, c0 + left - 5, Step{x, k, -2, 0}, Last{});
                for (int code = kFirstCode; code <= kLastCode; ++code) {
                    const Glyph& g = fp.Of(code);
                    if (!g.HasInk() || g.advance <= 0)
                        continue;
                    const int allowed = g.inkPixels / 8;
                    int pen = x;
                    if (g.colStart < 0 && lg.code <= 0)
                        pen = x - g.colStart;  // ink that hangs left starts here
                    const int miss = Mismatch(k, g, pen, lg, allowed);
                    if (miss > allowed)
                        continue;
                    const long c1 = c0 + 100L * miss + 20 + CharPrior(code);
                    // Some renderers lay a string out at fractional advances, so the next cell
                    // may begin a column or two early or late. Columns before the next pen that
                    // this glyph did not charge are charged now, so that paths meeting at one
                    // position have paid for the same columns.
                    const int end = ChargeEnd(g, pen);
                    for (int d = -2; d <= 2; ++d) {
                        const int to = pen + g.advance + d;
                        // A path only moves right: a narrow cell read two columns early must
                        // not lead back to this position (a loop in the path).
                        if (to <= x)
                            continue;
                        const Last next{k, code, pen, std::max(end, to), pen + g.advance};
                        Last probe = next;
                        probe.end = end;
                        const long extra = to > end ? 100L * Uncharged(k, probe, to) : 0;
                        improve(to, k, c1 + extra + kEarlyCost * std::abs(d),
                                Step{x, k, code, miss, pen}, next);
                    }
                }
            }
        }
        // The path ends at or after the last ink column.
        long best = LONG_MAX;
        int bx = -1, bk = -1;
        for (int x = m_last + 1; x <= x1; ++x)
            for (int k = 0; k < K; ++k) {
                const size_t i = at(x, k);
                if (cost[i] == LONG_MAX)
                    continue;
                const long c =
                    cost[i] + (last[i].code > 0 ? 100L * Uncharged(k, last[i], x) : 0);
                if (c < best) {
                    best = c;
                    bx = x;
                    bk = k;
                }
            }
        if (bx < 0)
            return LONG_MAX;
        std::vector<PlacedChar> rev;
        bool unknown = false;
        int x = bx, k = bk;
        for (size_t steps = 0;; ++steps) {
            const Step& s = from[at(x, k)];
            if (s.prevX < 0)
                break;
            // Every step leads left, or to a font switch at the same position.
            if (s.prevX > x || (s.prevX == x && s.code != -3) || steps > 2 * (size_t)W * K)
                break;
            if (s.code == -1)
                unknown = true;
            if (s.code > 0) {
                const Hypothesis& h = m_hyp[s.prevK];
                const FontPatterns& fp = m_base.fonts[h.font];
                const Glyph& g = fp.Of(s.code);
                PlacedChar pc;
                pc.font = h.font;
                pc.code = s.code;
                pc.cellX = s.pen;
                pc.cellY = h.cellTop;
                pc.cellW = g.advance;
                pc.cellH = fp.cellHeight;
                pc.inkLeft = s.pen + g.colStart;
                pc.inkRight = pc.inkLeft + (int)g.cols.size() - 1;
                pc.inkTop = h.cellTop + g.inkTop;
                pc.inkBottom = h.cellTop + g.inkBottom;
                pc.score =
                    std::max(0, std::min(100, 100 - s.cost * 100 / std::max(1, g.inkPixels)));
                if (!rev.empty() && unknown)
                    rev.back().unknownBefore = true;
                unknown = false;
                rev.push_back(pc);
            }
            x = s.prevX;
            k = s.prevK;
        }
        out.assign(rev.rbegin(), rev.rend());
        return best;
    }

private:
    static constexpr int kMargin = 16;
    static constexpr long kSwitchCost = 80;
    static constexpr long kEarlyCost = 3;

    // The glyph a position was reached with (code 0: reached otherwise).
    struct Last {
        int hyp = -1, code = 0, pen = 0, end = 0;  // end: one past the last column it charged
        int cellEnd = 0;                           // pen + advance
    };

    int Index(int x) const { return x - m_xBase; }

    uint64_t Bits(int k, int x) const
    {
        const int i = Index(x);
        return (i >= 0 && i < (int)m_hyp[k].m.size()) ? m_hyp[k].m[i] : 0;
    }
    int Outside(int k, int x) const
    {
        const int i = Index(x);
        return (i >= 0 && i < (int)m_hyp[k].outside.size()) ? m_hyp[k].outside[i] : 0;
    }
    int Column(int k, int x) const { return Popcount(Bits(k, x)) + Outside(k, x); }

    // Ink of glyph `lg` (from another hypothesis maybe) at column c, in the rows of hypothesis k.
    uint64_t GlyphBits(const Last& lg, int k, int c) const
    {
        if (lg.code <= 0)
            return 0;
        const Hypothesis& hp = m_hyp[lg.hyp];
        const Glyph& g = m_base.fonts[hp.font].Of(lg.code);
        const int i = c - (lg.pen + g.colStart);
        if (i < 0 || i >= (int)g.cols.size())
            return 0;
        uint64_t t = g.cols[i];
        const int d = hp.cellTop - m_hyp[k].cellTop;
        if (d > 0)
            t = d >= 64 ? 0 : t << d;
        else if (d < 0)
            t = -d >= 64 ? 0 : t >> -d;
        return t;
    }

    bool SpanBlank(int x, int n) const
    {
        for (int i = x; i < x + n; ++i)
            if (i >= 0 && i < m_width && m_cols[i])
                return false;
        return true;
    }

    // Columns a glyph at `pen` charges: from its leftmost ink or pen up to its rightmost ink
    // or the cell's last column but one. The cell's last column is left to what comes next,
    // since the next character may begin there.
    static int ChargeEnd(const Glyph& g, int pen)
    {
        return std::max(pen + g.colStart + (int)g.cols.size(), pen + g.advance - 1);
    }

    // Ink in the columns between the previous glyph's charge and x.
    int Uncharged(int k, const Last& lg, int x) const
    {
        int n = 0;
        for (int c = lg.end; c < x; ++c)
            n += Column(k, c);
        return n;
    }

    int Mismatch(int k, const Glyph& g, int pen, const Last& lg, int limit) const
    {
        const int inkL = pen + g.colStart, inkR = inkL + (int)g.cols.size();  // [inkL, inkR)
        const int lo = std::min(inkL, pen), hi = ChargeEnd(g, pen);
        const int prevEnd = lg.code > 0 ? lg.end : INT_MIN;
        int miss = 0;
        // Columns the previous glyph left between its charge and this glyph.
        for (int c = prevEnd; lg.code > 0 && c < lo; ++c) {
            miss += Column(k, c);
            if (miss > limit)
                return miss;
        }
        const int cellEnd = pen + g.advance;
        for (int c = lo; c < hi; ++c) {
            const uint64_t t = (c >= inkL && c < inkR) ? g.cols[c - inkL] : 0;
            const uint64_t m = Bits(k, c);
            if (c < prevEnd) {
                // Already charged by the previous glyph: correct for both inks together.
                const uint64_t tp = GlyphBits(lg, k, c);
                const int before = c < lg.cellEnd ? Popcount(m ^ tp) : Popcount(tp & ~m);
                miss += Popcount(m ^ (tp | t)) - before;
            } else if (c >= cellEnd) {
                // Ink that reaches past the cell into the next one: only its presence is
                // checked here; the next glyph accounts for the column as a whole.
                miss += Popcount(t & ~m);
                if (miss > limit)
                    return miss;
            } else {
                miss += Popcount(m ^ t) + Outside(k, c);
                if (miss > limit)
                    return miss;
            }
        }
        return miss;
    }

    const PatternBase& m_base;
    const std::vector<uint64_t>& m_cols;
    int m_bandTop, m_bandHeight, m_width;
    int m_first = 0, m_last = -1;
    int m_xBase = 0;
    std::vector<Hypothesis> m_hyp;
};

bool SameInk(const Glyph& a, const Glyph& b)
{
    return a.colStart == b.colStart && a.cols == b.cols;
}

// "I" and "l" look alike in many sans faces, and a layout at fractional advances leaves the
// next character's position no proof either. A word of capitals, a word of one letter and the
// first letter of a word that goes on with a consonant read "I"; elsewhere it is "l".
void ResolveLookAlikes(const PatternBase& base, std::vector<PlacedChar>& chars)
{
    auto isUpper = [](int c) { return c >= 'A' && c <= 'Z'; };
    auto isLower = [](int c) { return c >= 'a' && c <= 'z'; };
    auto joined = [&](size_t a, size_t b) {  // b follows a inside one word
        return chars[b].cellX - (chars[a].cellX + chars[a].cellW) <
               std::max(2, (base.fonts[chars[a].font].spaceAdvance + 1) / 2);
    };
    for (size_t i = 0; i < chars.size(); ++i) {
        PlacedChar& pc = chars[i];
        if (pc.code != 'I' && pc.code != 'l' && pc.code != '|')
            continue;
        const FontPatterns& fp = base.fonts[pc.font];
        const bool alone = (i == 0 || !joined(i - 1, i)) &&
                           (i + 1 == chars.size() || !joined(i, i + 1));
        if (alone) {
            // One upright stroke alone: nothing beside it fixes the baseline that would tell
            // the taller l or bar from I, and the word "I" is by far the likelier (a bar
            // that separates menu items reads as I too).
            pc.code = 'I';
            pc.cellW = fp.Of('I').advance;
            continue;
        }
        // A glyph the pattern base matched exactly is what it is where the font draws I and
        // l apart; what the learnt reader read is judged by its word.
        if (pc.code == '|' || (pc.score >= 95 && !SameInk(fp.Of('I'), fp.Of('l'))))
            continue;
        size_t first = i, last = i;
        while (first > 0 && joined(first - 1, first) &&
               (isUpper(chars[first - 1].code) || isLower(chars[first - 1].code)))
            --first;
        while (last + 1 < chars.size() && joined(last, last + 1) &&
               (isUpper(chars[last + 1].code) || isLower(chars[last + 1].code)))
            ++last;
        int upper = 0, lower = 0;
        for (size_t j = first; j <= last; ++j) {
            if (j == i || chars[j].code == 'I' || chars[j].code == 'l')
                continue;
            upper += isUpper(chars[j].code);
            lower += isLower(chars[j].code);
        }
        int want;
        if (lower == 0)
            want = 'I';  // capitals only, or the letter alone
        else if (i == first && upper == 0 && i + 1 <= last &&
                 !std::strchr("aeiouy", chars[i + 1].code))
            want = 'I';  // a capitalised word ("In", "Item"; but "line", "lazy")
        else
            want = 'l';
        if (want != pc.code) {
            pc.code = want;
            pc.cellW = fp.Of(want).advance;
        }
    }
}

// A vertical bar and the upright stroke of I or l differ only in their height: where the bar
// reaches below the baseline the letters stop on it. Alone, or smoothed, or bold, the stroke
// gives the matcher nothing else, so the height of the ink itself decides.
void ResolveBars(const PatternBase& base, const std::vector<uint64_t>& bandCols,
                 std::vector<PlacedChar>& chars)
{
    for (PlacedChar& pc : chars) {
        if (pc.code != '|')
            continue;
        const FontPatterns& fp = base.fonts[pc.font];
        uint64_t all = 0;
        for (int x = std::max(0, pc.inkLeft); x <= pc.inkRight && x < (int)bandCols.size(); ++x)
            all |= bandCols[x];
        if (!all)
            continue;
        const int height = 63 - __builtin_clzll(all) - __builtin_ctzll(all);
        int best = '|', bestDiff = INT_MAX;
        for (int code : {'I', 'l', '|'}) {  // letters first: they win a tie
            const Glyph& g = fp.Of(code);
            const int diff = std::abs(g.inkBottom - g.inkTop - height);
            if (diff < bestDiff) {
                best = code;
                bestDiff = diff;
            }
        }
        pc.code = best;
        pc.cellW = fp.Of(best).advance;
    }
}

// At small sizes the ink of two neighbouring letters can leave a few pixels that neither
// glyph explains (where one's bearing reaches under the other) and that a colon, a dot or an
// apostrophe fits. Such a mark sits two or more columns inside a neighbour's cell, squeezed
// between two letters; a mark of the text has a cell of its own.
void DropSqueezedMarks(std::vector<PlacedChar>& chars)
{
    auto isLetter = [](int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (size_t i = 1; i + 1 < chars.size();) {
        const PlacedChar& pc = chars[i];
        const PlacedChar& prev = chars[i - 1];
        const PlacedChar& next = chars[i + 1];
        const bool inside = prev.cellX + prev.cellW - pc.cellX >= 2 ||
                            pc.cellX + pc.cellW - next.cellX >= 2;
        if (std::strchr(".:,;'`", pc.code) && inside && isLetter(prev.code) &&
            isLetter(next.code) && next.cellX - (prev.cellX + prev.cellW) <= pc.cellW &&
            !pc.unknownBefore && !next.unknownBefore)
            chars.erase(chars.begin() + (long)i);
        else
            ++i;
    }
}


// A glyph of the pattern base that matches at least this well is the one drawn (a score below
// 100 comes from neighbours that overlap).
constexpr int kExactScore = 95;

// The pattern base's reading of a line holds when every glyph matched (nearly) exactly and
// nothing of the line's ink was left unread.
bool ExactReadingHolds(const std::vector<PlacedChar>& chars, const std::vector<uint64_t>& cols)
{
    if (chars.empty())
        return false;
    for (const PlacedChar& pc : chars)
        if (pc.score < kExactScore || pc.unknownBefore)
            return false;
    int first = 0, last = (int)cols.size() - 1;
    while (first < last && !cols[first])
        ++first;
    while (last > first && !cols[last])
        --last;
    return chars.front().inkLeft <= first + 1 && chars.back().inkRight >= last - 1;
}

// Where the pattern base read two touching glyphs whose joined ink the learnt reader takes,
// with near certainty, for one character ("rn" drawn as an "m" is hinted on some machines),
// the one character stands.
void MergeTouchingPairs(const ReadLine& read, int bandTop, std::vector<PlacedChar>& chars)
{
    constexpr float kSure = 0.97f;
    for (const ReadChar& rc : read.chars) {
        if (rc.prob < kSure)
            continue;
        // An exact character belongs to the reader's when most of its ink lies inside it
        // (a narrow "i" beside the reader's "s" is not part of it).
        auto inside = [&](const PlacedChar& c) {
            const int overlap = std::min(c.inkRight, rc.right) - std::max(c.inkLeft, rc.left) + 1;
            return overlap * 2 > c.inkRight - c.inkLeft + 1;
        };
        size_t a = 0;
        while (a < chars.size() && (chars[a].inkRight < rc.left - 1 ||
                                    (chars[a].inkLeft < rc.left && !inside(chars[a]))))
            ++a;
        size_t b = a;
        while (b + 1 < chars.size() && chars[b + 1].inkLeft <= rc.right + 1 &&
               chars[b + 1].inkRight <= rc.right + 1 && inside(chars[b + 1]))
            ++b;
        if (a >= chars.size() || b == a || chars[a].inkLeft < rc.left - 1 ||
            chars[b].inkRight > rc.right + 1 || b - a > 2)
            continue;
        bool touching = true;
        for (size_t k = a; k < b; ++k)
            touching = touching && chars[k + 1].inkLeft <= chars[k].inkRight + 1;
        if (!touching)
            continue;
        PlacedChar one = chars[a];
        one.code = rc.code;
        one.cellW = chars[b].cellX + chars[b].cellW - chars[a].cellX;
        one.inkLeft = rc.left;
        one.inkRight = rc.right;
        one.inkTop = bandTop + rc.top;
        one.inkBottom = bandTop + rc.bottom;
        one.score = (int)(rc.prob * 100);
        chars.erase(chars.begin() + (long)a + 1, chars.begin() + (long)b + 1);
        chars[a] = one;
    }
}

// Height of a glyph's ink, and the commonest length of its horizontal ink runs (stroke width).
int InkHeight(const Glyph& g) { return g.HasInk() ? g.inkBottom - g.inkTop + 1 : 0; }

// The commonest length of the horizontal ink runs of rows [top, bottom] (1 when none).
template <typename Ink>
int CommonestRun(int top, int bottom, int width, Ink ink)
{
    std::map<int, int> runs;
    for (int y = top; y <= bottom; ++y) {
        int len = 0;
        for (int x = 0; x <= width; ++x) {
            if (x < width && ink(x, y)) {
                ++len;
            } else if (len) {
                ++runs[len];
                len = 0;
            }
        }
    }
    int best = 1, n = 0;
    for (const auto& kv : runs)
        if (kv.second > n) {
            best = kv.first;
            n = kv.second;
        }
    return best;
}

int GlyphStroke(const Glyph& g)
{
    if (!g.HasInk())
        return 1;
    return CommonestRun(g.inkTop, g.inkBottom, (int)g.cols.size(),
                        [&](int x, int y) { return ((g.cols[x] >> y) & 1) != 0; });
}

int BandStroke(const InkBand& band)
{
    return CommonestRun(0, band.height - 1, band.width,
                        [&](int x, int y) { return band.Mask(x, y); });
}

// The learnt reader's characters placed in cells of a font of the pattern base: the font that
// exact glyph matches point to, or else the one whose letter heights and stroke width fit the
// line best. The font gives names, sizes and cells only; the characters are the reader's.
//
// Where the pattern base matched a glyph exactly on the same ink (a line that is partly drawn
// in a learnt face, or cut by the image's edge), its character and cell are taken.
std::vector<PlacedChar> PlaceReadChars(const PatternBase& base, const InkBand& band,
                                       const ReadLine& read,
                                       const std::vector<std::pair<int, int>>& votes,
                                       const std::vector<PlacedChar>& exact)
{
    std::vector<PlacedChar> out;
    if (read.chars.empty())
        return out;
    const int baseRow = band.top + read.baseline;  // image row below the base-sitting ink
    // The font: of those that exact matches point to (or else of all), the one whose letter
    // heights and stroke width fit the line best.
    int bl = 0;
    float xh = 0, cap = 0;
    LineMetrics(band, bl, xh, cap);
    if (xh <= 0) {
        xh = read.xHeight;
        cap = 0;
    }
    const int stroke = BandStroke(band);
    std::vector<std::pair<float, int>> fits;
    auto consider = [&](int f, float rank) {
        const FontPatterns& fp = base.fonts[f];
        float misfit = std::fabs((float)InkHeight(fp.Of('x')) - xh) * 2.0f + rank;
        if (cap > 0)
            misfit += std::fabs((float)InkHeight(fp.Of('H')) - cap);
        fits.push_back({misfit, f});
    };
    if (!votes.empty())
        for (size_t v = 0; v < votes.size(); ++v)
            consider(votes[v].first, 0.01f * (float)v);
    else
        for (int f = 0; f < (int)base.fonts.size(); ++f)
            consider(f, 0.0f);
    std::sort(fits.begin(), fits.end());
    int font = -1;
    float best = 1e9f;
    for (size_t i = 0; i < fits.size() && i < 16; ++i) {
        const FontPatterns& fp = base.fonts[fits[i].second];
        const float m = fits[i].first + 1.5f * (float)std::abs(GlyphStroke(fp.Of('l')) - stroke);
        if (m < best) {
            best = m;
            font = fits[i].second;
        }
    }
    if (font < 0)
        return out;
    const int cellTop = baseRow - base.fonts[font].ascent;
    const FontPatterns& fp = base.fonts[font];
    // A few narrow glyphs ("i", "l", ".") of a face the base has not learnt match some other
    // font exactly: an exact match in another font than the line's counts only where that
    // font matched a run of characters, not one or two.
    std::map<int, int> exactOfFont;
    for (const PlacedChar& e : exact)
        if (e.score >= kExactScore)
            ++exactOfFont[e.font];
    for (const ReadChar& rc : read.chars) {
        const Glyph& g = fp.Of(rc.code);
        PlacedChar pc;
        pc.font = font;
        pc.code = rc.code;
        pc.inkLeft = rc.left;
        pc.inkRight = rc.right;
        pc.inkTop = band.top + rc.top;
        pc.inkBottom = band.top + rc.bottom;
        // The cell starts where this font's glyph would have its pen: a glyph that the reader
        // knows from another face keeps its ink inside the cell.
        const int bearing = g.HasInk() ? std::max(-3, std::min(g.colStart, 3)) : 0;
        pc.cellX = rc.left - bearing;
        pc.cellW = std::max(g.advance, rc.right - pc.cellX + 1);
        pc.cellY = cellTop;
        pc.cellH = fp.cellHeight;
        pc.score = (int)(rc.prob * 100);
        for (const PlacedChar& e : exact)
            if (e.score >= kExactScore && (e.font == font || exactOfFont[e.font] >= 3) &&
                std::abs(e.inkLeft - pc.inkLeft) <= 1 &&
                std::abs(e.inkRight - pc.inkRight) <= 1 && std::abs(e.inkTop - pc.inkTop) <= 1 &&
                std::abs(e.inkBottom - pc.inkBottom) <= 1) {
                pc = e;
                // The reader has read the whole line: ink the pattern base left unread
                // between two of its characters is no word gap here.
                pc.unknownBefore = false;
                break;
            }
        out.push_back(pc);
    }
    return out;
}


// Word gaps from the ink: wider than the line's letter gaps by a good part of the x-height.
// The learnt reader's characters take their spaces from this (the pattern font's cells are
// only a guess there); a line the pattern base read keeps the spaces of its cells.
void InkSpaces(std::vector<PlacedChar>& out, float xh, bool exactLine)
{
    if (exactLine)
        return;
    std::vector<int> gaps;
    for (size_t i = 1; i < out.size(); ++i)
        gaps.push_back(out[i].inkLeft - out[i - 1].inkRight - 1);
    if (gaps.empty())
        return;
    std::vector<int> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const int median = sorted[sorted.size() / 2];
    const float wide = std::max({3.0f, xh * 0.45f, (float)std::max(0, median) + xh * 0.3f});
    for (size_t i = 1; i < out.size(); ++i) {
        const bool inkSays = (float)gaps[i - 1] >= wide;
        out[i].spaceBefore = inkSays ? 1 : 0;
    }
}

// Cells of a line's characters from what any reading of the same line sees alike: its
// baseline and x-height, and each character's ink. The cell top is the baseline less the
// ascent of the font of the base whose x-height is nearest; the cell's left is the ink's left
// less the character's bearing in its font. So a small box and a wide strip over the same
// letters give them the same positions, whichever glyphs each could match exactly.
void PlaceCells(const PatternBase& base, const InkBand& band, const ReadLine& read,
                const std::vector<std::pair<int, int>>& votes, std::vector<PlacedChar>& chars)
{
    if (chars.empty() || base.fonts.empty())
        return;
    int baseline = read.baseline;
    float xh = read.xHeight, cap = 0;
    {
        float measured = 0;
        LineMetrics(band, baseline, measured, cap);
        if (read.chars.empty())
            xh = measured > 0 ? measured : cap * 0.7f;
        if (measured <= 0)
            cap = 0;  // one height only: no capitals measured
    }
    // Fonts that exact matches point to come first; the x-height decides among them.
    int font = 0;
    float misfit = 1e9f;
    for (int f = 0; f < (int)base.fonts.size(); ++f) {
        float rank = votes.empty() ? 0.0f : 100.0f;
        for (size_t v = 0; v < votes.size(); ++v)
            if (votes[v].first == f)
                rank = std::min(rank, 0.01f * (float)v);
        const FontPatterns& fp = base.fonts[f];
        float m = 2.0f * std::fabs((float)InkHeight(fp.Of('x')) - xh) + rank;
        if (cap > 0)
            m += std::fabs((float)InkHeight(fp.Of('H')) - cap);
        if (m < misfit) {
            misfit = m;
            font = f;
        }
    }
    const FontPatterns& fp = base.fonts[font];
    const int top = band.top + baseline - fp.ascent;
    for (PlacedChar& pc : chars) {
        // The bearing of the character's own font: the one it matched exactly, or the one
        // picked for the line it was read in.
        const FontPatterns& own = base.fonts[pc.font];
        const Glyph& g = own.Of(pc.code >= kFirstCode && pc.code <= kLastCode ? pc.code : 'x');
        const int bearing = g.HasInk() ? std::max(-3, std::min(g.colStart, 3)) : 0;
        const int right = pc.cellX + pc.cellW;
        pc.cellX = pc.inkLeft - bearing;
        pc.cellW = std::max(1, right - pc.cellX);
        pc.cellY = top;
    }
}

}  // namespace

bool CaptureScreen(const RECT& area, Image& image)
{
    image.left = area.left;
    image.top = area.top;
    image.width = area.right - area.left + 1;
    image.height = area.bottom - area.top + 1;
    if (image.width <= 0 || image.height <= 0)
        return false;
    image.pixels.assign((size_t)image.width * image.height, 0);
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = mem ? CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool ok = false;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, image.width, image.height, screen, area.left, area.top,
                    SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) {
            const uint32_t* src = static_cast<const uint32_t*>(bits);
            for (size_t i = 0; i < image.pixels.size(); ++i)
                image.pixels[i] = src[i] & 0x00FFFFFFu;
        }
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    if (mem)
        DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::vector<TextLine> RecognizeImage(const PatternBase& base, const Image& image,
                                     const RECT* inner)
{
    std::vector<TextLine> lines;
    if (base.fonts.empty() || image.width <= 0 || image.height <= 0)
        return lines;
    const int w = image.width, h = image.height;
    std::vector<uint8_t> grey;
    std::vector<uint8_t> mask = ForegroundMask(image, &grey);
    if (inner && (inner->left > 0 || inner->top > 0 || inner->right < w - 1 ||
                  inner->bottom < h - 1)) {
        const int il = std::max<int>(0, inner->left), it = std::max<int>(0, inner->top);
        const int ir = std::min<int>(w - 1, inner->right), ib = std::min<int>(h - 1, inner->bottom);
        if (ir >= il && ib >= it) {
            Image part;
            part.left = image.left + il;
            part.top = image.top + it;
            part.width = ir - il + 1;
            part.height = ib - it + 1;
            part.pixels.resize((size_t)part.width * part.height);
            std::unordered_map<uint32_t, int> in, out;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool inside = x >= il && x <= ir && y >= it && y <= ib;
                    ++(inside ? in : out)[image.At(x, y)];
                    if (inside)
                        part.pixels[(size_t)(y - it) * part.width + (x - il)] = image.At(x, y);
                }
            auto commonest = [](const std::unordered_map<uint32_t, int>& counts) {
                uint32_t best = 0;
                int bestCount = -1;
                for (const auto& kv : counts)
                    if (kv.second > bestCount || (kv.second == bestCount && kv.first < best)) {
                        best = kv.first;
                        bestCount = kv.second;
                    }
                return best;
            };
            // The request shows another ground than its margin (light on dark inside, dark on
            // light around, as when the request alone is inverted): inside it, ink is judged
            // against the request's own ground only.
            if (!out.empty() && ColourDistance(commonest(in), commonest(out)) >= 96) {
                std::vector<uint8_t> ownGrey;
                std::vector<uint8_t> own = ForegroundMask(part, &ownGrey);
                // A row or column of the request that is ink from end to end is an edge the
                // inversion missed (or a rule), not text.
                const int pw = part.width, ph = part.height;
                std::vector<int> rowInk(ph, 0), colInk(pw, 0);
                for (int y = 0; y < ph; ++y)
                    for (int x = 0; x < pw; ++x)
                        if (own[(size_t)y * pw + x]) {
                            ++rowInk[y];
                            ++colInk[x];
                        }
                for (int y = 0; y < ph; ++y)
                    for (int x = 0; x < pw; ++x)
                        if ((rowInk[y] == pw && pw > 8) || (colInk[x] == ph && ph > 8))
                            own[(size_t)y * pw + x] = 0;
                for (int y = it; y <= ib; ++y)
                    for (int x = il; x <= ir; ++x) {
                        const size_t from = (size_t)(y - it) * part.width + (x - il);
                        mask[(size_t)y * w + x] = own[from];
                        grey[(size_t)y * w + x] = own[from] ? std::max<uint8_t>(ownGrey[from], kInkCrop) : 0;
                    }
            }
        }
    }
    int tallest = 0;
    for (const FontPatterns& fp : base.fonts)
        tallest = std::max(tallest, fp.cellHeight);
    DropTallStrokes(mask, w, h, std::min(tallest, kMaxCellHeight));
    for (size_t i = 0; i < mask.size(); ++i)
        if (!mask[i] && grey[i] >= 128)
            grey[i] = 127;  // a dropped frame line keeps no ink either
    for (const Band& band : FindBands(mask, w, h)) {
        const int bh = band.bottom - band.top + 1;
        if (bh > kMaxCellHeight)
            continue;  // taller than any pattern font: not text
        std::vector<uint64_t> cols(w, 0);
        for (int y = band.top; y <= band.bottom; ++y)
            for (int x = 0; x < w; ++x)
                if (mask[(size_t)y * w + x])
                    cols[x] |= uint64_t(1) << (y - band.top);
        LineDecoder dec(base, cols, band.top, bh, w);
        if (dec.Empty())
            continue;
        // The learnt reader reads every line; where glyphs match the pattern base exactly
        // (text drawn by this machine's GDI in a face the base has learnt) the base's
        // reading is kept as the fast, font-exact path, checked against the reader's.
        InkBand ink;
        ink.top = band.top;
        ink.width = w;
        ink.height = bh;
        ink.grey.assign(grey.begin() + (ptrdiff_t)band.top * w,
                        grey.begin() + (ptrdiff_t)(band.bottom + 1) * w);
        ink.mask.assign(mask.begin() + (ptrdiff_t)band.top * w,
                        mask.begin() + (ptrdiff_t)(band.bottom + 1) * w);
        const ReadLine read = ReadBand(ink);
        std::vector<std::pair<int, int>> votes = dec.ExactVotes();
        if (votes.size() > 4)
            votes.resize(4);
        std::vector<PlacedChar> chars;
        if (!votes.empty()) {
            dec.SetHypotheses(votes);
            dec.Decode(chars);
        }
        const bool exactLine = ExactReadingHolds(chars, cols);
        if (exactLine) {
            MergeTouchingPairs(read, band.top, chars);
        } else {
            chars = PlaceReadChars(base, ink, read, votes, chars);
        }
        ResolveBars(base, cols, chars);
        DropSqueezedMarks(chars);
        ResolveLookAlikes(base, chars);
        PlaceCells(base, ink, read, votes, chars);
        InkSpaces(chars, read.xHeight, exactLine);
        if (!chars.empty())
            lines.push_back(TextLine{std::move(chars)});
    }
    return lines;
}

std::vector<TextractItem> MakeItems(const PatternBase& base, const Image& image,
                                    const std::vector<TextLine>& lines, const RECT& request,
                                    int flags)
{
    std::vector<TextractItem> items;
    const int ox = image.left - request.left, oy = image.top - request.top;
    const int reqW = request.right - request.left, reqH = request.bottom - request.top;
    auto clampShort = [](int v) { return (SHORT)std::max(-32768, std::min(32767, v)); };
    auto clampByte = [](int v) { return (BYTE)std::max(0, std::min(255, v)); };
    auto make = [&](int kind, const FontPatterns& fp, int x, int y, int cx, int cy, int code) {
        TextractItem it = {};
        it.nKind = (BYTE)kind;
        it.bBold = fp.bold ? 1 : 0;
        it.x = clampShort(x);
        it.y = clampShort(y);
        it.cx = clampByte(cx);
        it.cy = clampByte(cy);
        it.pszFontName = fp.facePtr;
        it.chCode = (BYTE)code;
        it.nPitch = clampByte(fp.pitch);
        return it;
    };
    for (const TextLine& line : lines) {
        std::vector<const PlacedChar*> inside;
        for (const PlacedChar& pc : line.chars) {
            const int l = pc.inkLeft + ox, r = pc.inkRight + ox;
            const int t = pc.inkTop + oy, b = pc.inkBottom + oy;
            bool take;
            if (flags & TEXTRACT_F_TOUCHING) {
                take = r >= 0 && l <= reqW && b >= 0 && t <= reqH;
            } else {
                const int cx = (l + r) / 2, cy = (t + b) / 2;
                take = cx >= 0 && cx <= reqW && cy >= 0 && cy <= reqH;
            }
            if (take)
                inside.push_back(&pc);
        }
        if (inside.empty())
            continue;
        const FontPatterns& first = base.fonts[inside.front()->font];
        if (flags & TEXTRACT_F_LINES)
            items.push_back(make(TEXTRACT_ITEM_LINE_START, first, inside.front()->cellX + ox,
                                 inside.front()->cellY + oy, 0, first.cellHeight, 0));
        int font = -1;
        for (size_t i = 0; i < inside.size(); ++i) {
            const PlacedChar& pc = *inside[i];
            const FontPatterns& fp = base.fonts[pc.font];
            if (i > 0 && (flags & TEXTRACT_F_SPACES)) {
                const PlacedChar& prev = *inside[i - 1];
                const FontPatterns& pf = base.fonts[prev.font];
                const int end = prev.cellX + prev.cellW;
                const int gap = pc.cellX - end;
                const bool skipped = inside[i - 1] + 1 != inside[i];  // chars outside between
                // A space needs a wide cell gap and a wide blank between the inks: letters of
                // a word laid out at fractional advances may stand a little apart.
                const int inkGap = pc.inkLeft - prev.inkRight - 1;
                const bool wide = pc.spaceBefore >= 0
                                      ? pc.spaceBefore == 1
                                      : gap >= std::max(2, (pf.spaceAdvance + 1) / 2) &&
                                            inkGap >= std::max(2, pf.spaceAdvance - 1);
                if (wide || pc.unknownBefore || skipped) {
                    // One space per space width, allowing for a column of layout rounding.
                    const int count =
                        pc.spaceBefore >= 0
                            ? 1
                            : std::max(1, std::min(8, (gap - 1 + pf.spaceAdvance / 2) /
                                                          pf.spaceAdvance));
                    const int each = std::max(1, gap / count);
                    for (int s = 0; s < count; ++s)
                        items.push_back(make(TEXTRACT_ITEM_SPACE, pf, end + s * each + ox,
                                             prev.cellY + oy, each, pf.cellHeight, ' '));
                }
            }
            if (pc.font != font && (flags & TEXTRACT_F_FONTS))
                items.push_back(make(TEXTRACT_ITEM_FONT_CHANGE, fp, pc.cellX + ox,
                                     pc.cellY + oy, 0, fp.cellHeight, 0));
            font = pc.font;
            if (flags & TEXTRACT_F_CHARS) {
                TextractItem it = make(TEXTRACT_ITEM_CHAR, fp, pc.cellX + ox, pc.cellY + oy,
                                       pc.cellW, pc.cellH, pc.code);
                it.nScore = clampByte(pc.score);
                items.push_back(it);
            }
        }
        const PlacedChar& last = *inside.back();
        if (flags & TEXTRACT_F_LINES)
            items.push_back(make(TEXTRACT_ITEM_LINE_END, base.fonts[last.font],
                                 last.cellX + last.cellW + ox, last.cellY + oy, 0,
                                 last.cellH, 0));
    }
    return items;
}

}  // namespace textract
