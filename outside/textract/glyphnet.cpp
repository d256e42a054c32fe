// The learnt glyph reader (see glyphnet.h).
#include "glyphnet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace textract {

namespace {

#include "learnt_weights.inc"

static_assert(kNetInputs == kNetFeatures, "weights made for these features");
static_assert(kNetClasses == kNoCharClass + 1, "weights made for these classes");

constexpr int kMaxPiecesPerChar = 6;
constexpr uint8_t kJoinGrey = 100;
const char* const kLookAlikes[] = {"lI|1", "oO0", "cC", "sS", "uU", "vV", "wW", "xX", "zZ", "'`"};
// Every character the reading makes costs this much log-probability, so that a character read
// whole wins over the same ink read as two that the classifier likes about as well.
constexpr double kCharCost = 0.0;
// Reading pieces that stand apart as one character costs this much for every blank gap
// between them; only the characters of kManyParts are drawn in parts side by side.
constexpr double kApartCost = 4.0;
constexpr uint8_t kBlankGrey = 40;
// Leaving a thin run between characters out of the reading costs this much.
constexpr double kSkipCost = 0.1;
const char* const kManyParts = "\"%";
// Characters that may be narrower than kSliver x-heights.
constexpr float kSliver = 0.55f;
const char* const kNarrow = "!\"'(),-./1:;I[]`ijlrtf{|}";

// Scaling of one axis by area: weight of source cell j in target cell i, where the n source
// cells are spread over `out` target cells.
void AreaWeights(int n, int out, float* weights /* out x n */)
{
    const double step = (double)n / out;
    for (int i = 0; i < out; ++i) {
        const double a = i * step, b = (i + 1) * step;
        for (int j = 0; j < n; ++j) {
            const double w = std::min(b, (double)j + 1) - std::max(a, (double)j);
            weights[(size_t)i * n + j] = w > 0 ? (float)w : 0.0f;
        }
    }
}

struct Component {
    int left, right, top, bottom, pixels;
};

// A piece of ink: components (by label) within a column range.
struct Piece {
    int left, right;
    std::vector<int> labels;
    bool thin = false;  // a run of thin columns between two cuts (a serif, a join)
};

struct Candidate {
    float logProb = -1e9f;
    int code = 0;
    float prob = 0;
    int top = 0, bottom = 0, left = 0, right = 0;
    bool valid = false;
};

class BandReader {
public:
    explicit BandReader(const InkBand& band) : m_band(band), m_w(band.width), m_h(band.height)
    {
        Label();
    }

    bool Empty() const { return m_comps.empty(); }

    ReadLine Read(int baseline, float xh)
    {
        ReadLine line;
        line.baseline = baseline;
        line.xHeight = xh;
        std::vector<Piece> pieces = Pieces(baseline, xh);
        const int n = (int)pieces.size();
        if (n == 0)
            return line;
        std::vector<double> best((size_t)n + 1, -1e18);
        std::vector<int> from((size_t)n + 1, -1);
        std::vector<Candidate> chosen((size_t)n + 1);
        best[0] = 0;
        const int wordGap = std::max(3, (int)std::lround(xh * 0.45f));
        // Pieces with blank columns between them are seldom one character: "rn" apart is not
        // an "m", nor "ill" three strokes of one.
        std::vector<char> apart((size_t)n, 0);
        for (int p = 0; p + 1 < n; ++p)
            apart[p] = BlankBetween(pieces[p].right + 1, pieces[p + 1].left - 1);
        for (int i = 1; i <= n; ++i) {
            // A thin run between two touching characters may belong to neither: its ink is
            // the serifs or the join that the characters' own reading takes in at their cuts.
            const Piece& last = pieces[i - 1];
            if (last.thin && i >= 2 && i < n && best[i - 1] > -1e17 &&
                pieces[i - 2].right + 1 == last.left && pieces[i].left == last.right + 1 &&
                best[i - 1] - kSkipCost > best[i]) {
                best[i] = best[i - 1] - kSkipCost;
                from[i] = i - 1;
                chosen[i] = Candidate();
            }
            for (int k = 1; k <= kMaxPiecesPerChar && i - k >= 0; ++k) {
                const int j = i - k;
                if (best[j] <= -1e17)
                    continue;
                // A character does not reach over a word gap.
                if (k > 1 && pieces[j + k - 1].left - pieces[j + k - 2].right - 1 >= wordGap)
                    break;
                if (pieces[i - 1].right - pieces[j].left + 1 > xh * 3.2f + 4)
                    break;
                // Thin runs alone, touching ink on both sides, are not a character.
                bool allThin = j > 0 && i < n && pieces[j - 1].right + 1 == pieces[j].left &&
                               pieces[i].left == pieces[i - 1].right + 1;
                for (int p = j; p < i && allThin; ++p)
                    allThin = pieces[p].thin;
                if (allThin)
                    continue;
                const Candidate c = Score(pieces, j, i, baseline, xh);
                if (!c.valid)
                    continue;
                // A sliver of a cut letter is no wide letter, whatever it looks like scaled up.
                if ((float)(c.right - c.left + 1) < xh * kSliver && !std::strchr(kNarrow, c.code))
                    continue;
                double total = best[j] + c.logProb - kCharCost;
                if (!std::strchr(kManyParts, c.code))
                    for (int p = j; p + 1 < i; ++p)
                        total -= apart[p] ? kApartCost : 0.0;
                if (total > best[i]) {
                    best[i] = total;
                    from[i] = j;
                    chosen[i] = c;
                }
            }
        }
        if (from[n] < 0)
            return line;
        line.logProb = best[n];
        std::vector<ReadChar> rev;
        for (int i = n; i > 0; i = from[i]) {
            const Candidate& c = chosen[i];
            if (!c.valid)
                continue;  // a thin run left out
            ReadChar rc;
            rc.code = c.code;
            rc.prob = c.prob;
            rc.left = c.left;
            rc.right = c.right;
            rc.top = c.top;
            rc.bottom = c.bottom;
            rev.push_back(rc);
        }
        line.chars.assign(rev.rbegin(), rev.rend());
        return line;
    }

    const std::vector<Component>& Components() const { return m_comps; }

private:
    // Columns x0..x1 (at least one) hold no more than the faintest ink.
    bool BlankBetween(int x0, int x1) const
    {
        if (x1 < x0)
            return false;
        for (int y = 0; y < m_h; ++y)
            for (int x = x0; x <= x1; ++x)
                if (m_band.Grey(x, y) >= kBlankGrey)
                    return false;
        return true;
    }

    // Ink that joins a piece: the strong ink, and smoothed edges of some weight, so that a
    // grey stroke does not fall apart.
    bool Joins(size_t i) const { return m_band.mask[i] || m_band.grey[i] >= kJoinGrey; }

    void Label()
    {
        m_labels.assign((size_t)m_w * m_h, 0);
        std::vector<int> stack;
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x) {
                if (!Joins(x + y * m_w) || m_labels[(size_t)y * m_w + x])
                    continue;
                const int id = (int)m_comps.size() + 1;
                Component c{x, x, y, y, 0};
                stack.assign(1, y * m_w + x);
                m_labels[(size_t)y * m_w + x] = id;
                while (!stack.empty()) {
                    const int p = stack.back();
                    stack.pop_back();
                    const int px = p % m_w, py = p / m_w;
                    c.left = std::min(c.left, px);
                    c.right = std::max(c.right, px);
                    c.top = std::min(c.top, py);
                    c.bottom = std::max(c.bottom, py);
                    ++c.pixels;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = px + dx, ny = py + dy;
                            if (nx < 0 || ny < 0 || nx >= m_w || ny >= m_h)
                                continue;
                            const size_t q = (size_t)ny * m_w + nx;
                            if (Joins(q) && !m_labels[q]) {
                                m_labels[q] = id;
                                stack.push_back(ny * m_w + nx);
                            }
                        }
                }
                m_comps.push_back(c);
            }
    }

    // Components joined where one stands above the other (dots of i and j, colons, accents),
    // then wide pieces cut at their thinnest columns.
    std::vector<Piece> Pieces(int baseline, float xh)
    {
        std::vector<int> order(m_comps.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = (int)i;
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return m_comps[a].left < m_comps[b].left ||
                   (m_comps[a].left == m_comps[b].left && a < b);
        });
        std::vector<Piece> groups;
        for (int ci : order) {
            const Component& c = m_comps[ci];
            bool joined = false;
            for (int g = (int)groups.size() - 1; g >= 0 && g >= (int)groups.size() - 3; --g) {
                Piece& p = groups[g];
                const int overlap = std::min(p.right, c.right) - std::max(p.left, c.left) + 1;
                const int narrow = std::min(p.right - p.left + 1, c.right - c.left + 1);
                if (overlap >= 1 && overlap * 2 >= narrow) {
                    p.left = std::min(p.left, c.left);
                    p.right = std::max(p.right, c.right);
                    p.labels.push_back(ci + 1);
                    joined = true;
                    break;
                }
            }
            if (!joined)
                groups.push_back(Piece{c.left, c.right, {ci + 1}});
        }
        std::sort(groups.begin(), groups.end(),
                  [](const Piece& a, const Piece& b) { return a.left < b.left; });
        std::vector<Piece> out;
        for (const Piece& g : groups) {
            const int width = g.right - g.left + 1;
            if (width <= xh * 0.8f || width < 5) {
                out.push_back(g);
                continue;
            }
            // A wide piece that reads as one character with near certainty stays whole (an
            // "o" or "m" is not two letters).
            {
                const std::vector<Piece> whole(1, g);
                const Candidate c = ScoreSpan(whole, 0, 1, 0, 0, baseline, xh);
                if (c.valid && c.logProb > std::log(0.9f)) {
                    out.push_back(g);
                    continue;
                }
            }
            // Ink of each column of the piece's own components.
            std::vector<int> col((size_t)width, 0);
            for (int y = 0; y < m_h; ++y)
                for (int x = g.left; x <= g.right; ++x)
                    if (Owns(g, x, y))
                        ++col[x - g.left];
            // Candidate cuts at every run of thin columns (a serif or a join between touching
            // letters, the thin part of one letter's stroke): a run of one column is cut
            // before it, a longer one at both ends, so that the run makes a thin piece of its
            // own. The classifier, through the grouping, decides which cuts are between
            // characters; a character may be made of several pieces again.
            const float thin = std::max(2.0f, xh * 0.3f);
            std::vector<int> at;
            for (int i = 1; i + 1 < width;) {
                if (col[i] > thin) {
                    ++i;
                    continue;
                }
                int end = i;
                while (end + 1 < width - 1 && col[end + 1] <= thin)
                    ++end;
                at.push_back(i);
                if (end > i)
                    at.push_back(end + 1);
                i = end + 1;
            }
            // Where two strokes join (a "w" touching an "o"), the ink of the columns has a
            // minimum that is not thin: a cut there as well.
            for (int i = 2; i + 2 < width; ++i)
                if (col[i] > thin && col[i] <= xh * 0.6f &&
                    ((col[i] < col[i - 1] && col[i] <= col[i + 1]) ||
                     (col[i] <= col[i - 1] && col[i] < col[i + 1])) &&
                    std::find(at.begin(), at.end(), i) == at.end())
                    at.push_back(i);
            std::sort(at.begin(), at.end());
            int start = 0;
            for (int a : at) {
                out.push_back(Piece{g.left + start, g.left + a - 1, g.labels});
                out.back().thin = *std::max_element(col.begin() + start, col.begin() + a) <= thin;
                start = a;
            }
            out.push_back(Piece{g.left + start, g.right, g.labels});
        }
        return out;
    }

    bool Owns(const Piece& p, int x, int y) const
    {
        const int l = m_labels[(size_t)y * m_w + x];
        return l && std::find(p.labels.begin(), p.labels.end(), l) != p.labels.end();
    }

    // Pieces j..i-1 read as one character. Where a cut separates them from a neighbour, the
    // column at the cut is tried on both sides: touching letters share it.
    Candidate Score(const std::vector<Piece>& pieces, int j, int i, int baseline, float xh)
    {
        const bool cutLeft = j > 0 && pieces[j - 1].right + 1 == pieces[j].left &&
                             pieces[j - 1].labels == pieces[j].labels;
        const bool cutRight = i < (int)pieces.size() && pieces[i].left == pieces[i - 1].right + 1 &&
                              pieces[i].labels == pieces[i - 1].labels;
        Candidate best = ScoreSpan(pieces, j, i, 0, 0, baseline, xh);
        for (int grow = 1; grow < 4; ++grow) {
            const int l = grow & 1, r = grow >> 1;
            if ((l && !cutLeft) || (r && !cutRight))
                continue;
            const Candidate c = ScoreSpan(pieces, j, i, l, r, baseline, xh);
            if (c.valid && (!best.valid || c.logProb > best.logProb))
                best = c;
        }
        return best;
    }

    Candidate ScoreSpan(const std::vector<Piece>& pieces, int j, int i, int growLeft,
                        int growRight, int baseline, float xh)
    {
        Piece span{pieces[j].left - growLeft, pieces[i - 1].right + growRight, {}};
        for (int k = j; k < i; ++k)
            for (int l : pieces[k].labels)
                if (std::find(span.labels.begin(), span.labels.end(), l) == span.labels.end())
                    span.labels.push_back(l);
        const int w = span.right - span.left + 1;
        m_crop.assign((size_t)w * m_h, 0);
        int top = m_h, bottom = -1, left = m_w, right = -1;
        for (int y = 0; y < m_h; ++y)
            for (int x = span.left; x <= span.right; ++x) {
                const uint8_t g = m_band.Grey(x, y);
                if (!g)
                    continue;
                bool take = Owns(span, x, y);
                if (!take && !m_labels[(size_t)y * m_w + x]) {
                    // Faint ink beside the piece's own (smoothed edges) belongs to it.
                    for (int dy = -1; dy <= 1 && !take; ++dy)
                        for (int dx = -1; dx <= 1 && !take; ++dx) {
                            const int nx = x + dx, ny = y + dy;
                            take = nx >= span.left && nx <= span.right && ny >= 0 &&
                                   ny < m_h && Owns(span, nx, ny);
                        }
                }
                if (!take)
                    continue;
                m_crop[(size_t)y * w + (x - span.left)] = g;
                if (g >= kInkCrop) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        Candidate c;
        if (bottom < 0)
            return c;
        float feat[kNetFeatures];
        if (!GlyphFeatures(m_crop.data(), w, m_h, baseline, xh, feat))
            return c;
        float probs[kNetClasses];
        Classify(feat, probs);
        int best = 0;
        for (int k = 1; k < kNoCharClass; ++k)
            if (probs[k] > probs[best])
                best = k;
        // Characters that no glyph image tells apart (l, I, | and 1 in many sans faces; o, O
        // and 0; letters whose capitals differ only in size) score together: a piece read as
        // one of them is a sure character even when the classifier cannot say which.
        float group = probs[best];
        for (const char* alike : kLookAlikes)
            if (std::strchr(alike, best + 33)) {
                group = 0;
                for (const char* a = alike; *a; ++a)
                    group += probs[*a - 33];
            }
        c.valid = true;
        c.code = best + 33;
        c.prob = probs[best];
        c.logProb = std::log(std::max(group, 1e-6f));
        c.top = top;
        c.bottom = bottom;
        // A column taken in from a neighbour at a cut is read with the character but stays
        // the neighbour's in the box, so that neighbours' boxes do not overlap.
        c.left = std::max(left, span.left + growLeft);
        c.right = std::min(right, span.right - growRight);
        if (c.right < c.left)
            c.right = c.left = std::max(span.left, std::min(left, span.right));
        return c;
    }

    const InkBand& m_band;
    int m_w, m_h;
    std::vector<int> m_labels;
    std::vector<Component> m_comps;
    std::vector<uint8_t> m_crop;
};

}  // namespace

bool GlyphFeatures(const uint8_t* crop, int w, int h, int baseline, float xh, float* out)
{
    int t = h, b = -1, l = w, r = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (crop[(size_t)y * w + x] >= kInkCrop) {
                t = std::min(t, y);
                b = std::max(b, y);
                l = std::min(l, x);
                r = std::max(r, x);
            }
    if (b < 0 || xh <= 0)
        return false;
    const int cw = r - l + 1, ch = b - t + 1;
    const float scale = (float)kNetSide / (float)std::max(cw, ch);
    const int ow = std::max(1, (int)std::nearbyint(cw * scale));
    const int oh = std::max(1, (int)std::nearbyint(ch * scale));
    const int ox = (kNetSide - ow) / 2, oy = (kNetSide - oh) / 2;
    // Weights of the area scaling, and the ink summed through them.
    float wy[kNetSide * 64], wx[kNetSide * 64];
    const bool small = ch <= 64 && cw <= 64;
    std::vector<float> bigY, bigX;
    float* py = wy;
    float* px = wx;
    if (!small) {
        bigY.resize((size_t)oh * ch);
        bigX.resize((size_t)ow * cw);
        py = bigY.data();
        px = bigX.data();
    }
    AreaWeights(ch, oh, py);
    AreaWeights(cw, ow, px);
    double mean = 0;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            mean += crop[(size_t)(t + y) * w + (l + x)];
    mean /= 255.0 * cw * ch;
    for (int i = 0; i < kNetSide * kNetSide; ++i)
        out[i] = -1.0f;
    const float norm = (float)(((double)ch / oh) * ((double)cw / ow)) * 255.0f;
    std::vector<float> rows((size_t)oh * cw, 0.0f);  // rows scaled first
    for (int i = 0; i < oh; ++i)
        for (int y = 0; y < ch; ++y) {
            const float wgt = py[(size_t)i * ch + y];
            if (wgt == 0.0f)
                continue;
            const uint8_t* src = crop + (size_t)(t + y) * w + l;
            float* dst = &rows[(size_t)i * cw];
            for (int x = 0; x < cw; ++x)
                dst[x] += wgt * src[x];
        }
    for (int i = 0; i < oh; ++i)
        for (int k = 0; k < ow; ++k) {
            float s = 0;
            const float* src = &rows[(size_t)i * cw];
            const float* wk = px + (size_t)k * cw;
            for (int x = 0; x < cw; ++x)
                s += wk[x] * src[x];
            out[(oy + i) * kNetSide + (ox + k)] = s / norm * 2.0f - 1.0f;
        }
    float* g = out + kNetSide * kNetSide;
    g[0] = (float)(baseline - t) / xh - 1.0f;
    g[1] = (float)(baseline - (b + 1)) / xh;
    g[2] = (float)cw / xh - 0.6f;
    g[3] = (float)ch / xh - 1.0f;
    g[4] = std::log((float)cw / (float)ch);
    g[5] = (float)mean * 2.0f - 1.0f;
    return true;
}

void Classify(const float* features, float* probs)
{
    float hidden[kNetHidden];
    for (int i = 0; i < kNetHidden; ++i) {
        const float* w = kNetW1 + (size_t)i * kNetInputs;
        float s = kNetB1[i];
        for (int k = 0; k < kNetInputs; ++k)
            s += w[k] * features[k];
        hidden[i] = s > 0 ? s : 0;
    }
    float top = -1e30f;
    for (int c = 0; c < kNetClasses; ++c) {
        const float* w = kNetW2 + (size_t)c * kNetHidden;
        float s = kNetB2[c];
        for (int k = 0; k < kNetHidden; ++k)
            s += w[k] * hidden[k];
        probs[c] = s;
        top = std::max(top, s);
    }
    float sum = 0;
    for (int c = 0; c < kNetClasses; ++c) {
        probs[c] = std::exp(probs[c] - top);
        sum += probs[c];
    }
    for (int c = 0; c < kNetClasses; ++c)
        probs[c] /= sum;
}

void LineMetrics(const InkBand& band, int& baseline, float& xHeight, float& capHeight)
{
    // Baseline: below the lowest ink of most columns, counting only the columns whose ink
    // reaches down from a stroke of some height: the columns of a crossbar ("ff", "T") or of a
    // dot end high above the line and are not where letters stand.
    std::vector<int> colTop((size_t)band.width, -1), colBottom((size_t)band.width, -1);
    int tallestColumn = 0;
    for (int x = 0; x < band.width; ++x) {
        for (int y = 0; y < band.height; ++y)
            if (band.Mask(x, y)) {
                if (colTop[x] < 0)
                    colTop[x] = y;
                colBottom[x] = y;
            }
        if (colTop[x] >= 0)
            tallestColumn = std::max(tallestColumn, colBottom[x] - colTop[x] + 1);
    }
    std::map<int, int> bottoms;
    for (int x = 0; x < band.width; ++x)
        if (colTop[x] >= 0 && (colBottom[x] - colTop[x] + 1) * 5 >= tallestColumn * 2)
            ++bottoms[colBottom[x]];
    int best = band.height - 1, count = -1;
    for (const auto& kv : bottoms)
        if (kv.second > count) {
            best = kv.first;
            count = kv.second;
        }
    baseline = best + 1;
    // Heights above the baseline of the components that stand on it, weighted by their ink
    // (bits of a smoothed stroke that fall apart weigh little): the two strongest heights a
    // sixth or more apart are the x-height and the height of capitals and ascenders.
    BandReader reader(band);
    std::map<int, double> heights;
    int tallest = 0;
    for (const Component& c : reader.Components()) {
        if (std::abs(c.bottom + 1 - baseline) > 1 || c.pixels < 3)
            continue;
        const int hgt = baseline - c.top;
        heights[hgt] += c.pixels;
        tallest = std::max(tallest, hgt);
    }
    auto weight = [&](int h) {
        auto at = [&](int k) { return heights.count(k) ? heights.at(k) : 0.0; };
        return at(h) + 0.5 * (at(h - 1) + at(h + 1));
    };
    int first = 0;
    double firstW = 0;
    for (const auto& kv : heights)
        if (kv.first * 20 >= tallest * 9 && weight(kv.first) > firstW) {
            first = kv.first;
            firstW = weight(kv.first);
        }
    if (first == 0) {
        xHeight = capHeight = (float)std::max(1, baseline);
        return;
    }
    int second = 0;
    double secondW = 0;
    for (const auto& kv : heights) {
        const float ratio = (float)std::max(kv.first, first) / (float)std::min(kv.first, first);
        if (kv.first * 20 >= tallest * 9 && ratio >= 1.16f && weight(kv.first) > secondW) {
            second = kv.first;
            secondW = weight(kv.first);
        }
    }
    if (second == 0 || secondW < firstW * 0.08) {
        // One height only: the line is all capitals or ascenders, or all small letters
        // without ascenders; the caller tries both.
        capHeight = (float)first;
        xHeight = 0.0f;
        return;
    }
    xHeight = (float)std::min(first, second);
    capHeight = (float)std::max(first, second);
}

ReadLine ReadBand(const InkBand& band)
{
    ReadLine none;
    if (band.width <= 0 || band.height <= 0)
        return none;
    int baseline = 0;
    float xh = 0, cap = 0;
    LineMetrics(band, baseline, xh, cap);
    BandReader reader(band);
    if (reader.Empty())
        return none;
    if (xh > 0)
        return reader.Read(baseline, xh);
    // One height only: small letters (x-height) or capitals (x-height about 0.7 of theirs).
    ReadLine a = reader.Read(baseline, cap);
    ReadLine b = reader.Read(baseline, cap * 0.7f);
    const double pa = a.chars.empty() ? -1e18 : a.logProb / (double)a.chars.size();
    const double pb = b.chars.empty() ? -1e18 : b.logProb / (double)b.chars.size();
    return pa >= pb ? a : b;
}

}  // namespace textract
