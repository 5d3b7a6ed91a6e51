#include "metafile/drawing/cosmeticline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace metafile {

namespace {

// Rounds n / d to the nearest integer, for d > 0; a half goes down, to the smaller
// coordinate, as GDI's lines take it.
int64_t roundedQuotient(int64_t n, int64_t d)
{
    // ceil((2n - d) / 2d), with division that truncates towards zero.
    const int64_t twice = 2 * n - d;
    const int64_t q = twice / (2 * d);
    return (twice % (2 * d) != 0 && twice > 0) ? q + 1 : q;
}

// Adds a pixel to a list of runs, lengthening the last run when the pixel continues it.
void addPixel(QList<QRect> &runs, int x, int y)
{
    if (!runs.isEmpty()) {
        QRect &last = runs.last();
        if (last.height() == 1 && last.y() == y &&
            (last.right() + 1 == x || last.left() - 1 == x)) {
            last = last.united(QRect(x, y, 1, 1));
            return;
        }
        if (last.width() == 1 && last.x() == x && (last.bottom() + 1 == y || last.top() - 1 == y)) {
            last = last.united(QRect(x, y, 1, 1));
            return;
        }
    }
    runs.append(QRect(x, y, 1, 1));
}

// The steps of a segment whose major coordinate a0 + sign·i lies within [low, high].
void limitSteps(int64_t &first, int64_t &last, int64_t a0, int sign, int64_t low, int64_t high)
{
    if (sign > 0) {
        first = std::max(first, low - a0);
        last = std::min(last, high - a0);
    } else {
        first = std::max(first, a0 - high);
        last = std::min(last, a0 - low);
    }
}

// Cuts the segment p→q to the box, keeping its direction; false when none of it is inside.
bool cutToBox(QPointF &p, QPointF &q, const QRectF &box)
{
    double t0 = 0, t1 = 1;
    const double d[2] = {q.x() - p.x(), q.y() - p.y()};
    const double lo[2] = {box.left() - p.x(), box.top() - p.y()};
    const double hi[2] = {box.right() - p.x(), box.bottom() - p.y()};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (lo[axis] > 0 || hi[axis] < 0)
                return false;
            continue;
        }
        double a = lo[axis] / d[axis], b = hi[axis] / d[axis];
        if (a > b)
            std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
    }
    if (t0 > t1)
        return false;
    const QPointF start = p;
    p = start + (q - start) * t0;
    q = start + (q - start) * t1;
    return true;
}

} // namespace

LinePixels cosmeticLine(const QPolygonF &points, const QList<int> &dashes, const QRect &visible)
{
    LinePixels out;
    const int64_t period = std::accumulate(dashes.begin(), dashes.end(), int64_t(0));
    // Far beyond what shows, a segment is cut short: the steps stay within 64-bit sums, and
    // its pixels near the visible part move by far less than one.
    const double margin = 1 << 22;
    const QRectF far = QRectF(visible).adjusted(-margin, -margin, margin, margin);
    int64_t drawn = 0; // pixels of the pattern used by the segments before this one
    for (qsizetype k = 0; k + 1 < points.size(); ++k) {
        QPointF p = points[k], q = points[k + 1];
        const double length = std::max(std::abs(q.x() - p.x()), std::abs(q.y() - p.y()));
        if (!std::isfinite(length) || !cutToBox(p, q, far)) {
            drawn += std::isfinite(length) ? int64_t(std::min(length, 1e12)) : 0;
            continue;
        }
        const QPoint from = nearestPixel(p).toPoint(), to = nearestPixel(q).toPoint();
        const int64_t dx = int64_t(to.x()) - from.x(), dy = int64_t(to.y()) - from.y();
        const bool xMajor = std::abs(dx) >= std::abs(dy);
        const int64_t steps = std::max(std::abs(dx), std::abs(dy));
        const int64_t a0 = xMajor ? from.x() : from.y(), b0 = xMajor ? from.y() : from.x();
        const int64_t da = xMajor ? dx : dy, db = xMajor ? dy : dx;
        const int sign = da < 0 ? -1 : 1;
        // Only the steps whose pixels can be visible are walked.
        int64_t first = 0, last = steps - 1;
        const QRect v = visible.adjusted(-1, -1, 1, 1);
        if (xMajor)
            limitSteps(first, last, a0, sign, v.left(), v.right());
        else
            limitSteps(first, last, a0, sign, v.top(), v.bottom());
        if (db != 0 && first <= last) {
            const int64_t low = xMajor ? v.top() : v.left(), high = xMajor ? v.bottom() : v.right();
            // The minor coordinate moves by db / steps a step; the steps between the bounds,
            // widened by one on each side against rounding.
            const double i1 = double(low - b0) * steps / db, i2 = double(high - b0) * steps / db;
            first = std::max<int64_t>(first, int64_t(std::floor(std::min(i1, i2))) - 1);
            last = std::min<int64_t>(last, int64_t(std::ceil(std::max(i1, i2))) + 1);
        }
        for (int64_t i = first; i <= last; ++i) {
            const int64_t a = a0 + sign * i, b = b0 + roundedQuotient(db * i, steps);
            const int x = int(xMajor ? a : b), y = int(xMajor ? b : a);
            if (!visible.contains(x, y))
                continue;
            bool ink = true;
            if (period > 0) {
                int64_t at = (drawn + i) % period;
                qsizetype dash = 0;
                while (at >= dashes[dash]) {
                    at -= dashes[dash];
                    ++dash;
                }
                ink = dash % 2 == 0;
            }
            addPixel(ink ? out.ink : out.gaps, x, y);
        }
        drawn += steps;
    }
    return out;
}

} // namespace metafile
