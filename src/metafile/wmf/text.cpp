// Text: strings in the code page of the selected font, at a reference point.
#include "metafile/drawing/ansitext.h"
#include "metafile/drawing/limits.h"
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

namespace {

bool fits(qsizetype length, const ByteReader &p)
{
    return length >= 0 && length <= qsizetype(limits::kMaxTextChars) && length <= p.remaining();
}

} // namespace

Status Player::textOut(ByteReader &p)
{
    const qsizetype length = p.i16();
    if (length == 0 || !fits(length, p))
        return complete(p, length == 0, "length out of range");
    const QByteArrayView bytes = p.rest().first(length);
    p.skip(length + length % 2);
    TextRun run;
    run.upright = true;
    run.reference = readYX(p);
    if (!p.ok())
        return complete(p);
    run.text = decodeAnsi(bytes, m_c.dc().font, {}).text;
    m_c.text(run);
    return Done{};
}

Status Player::extTextOut(ByteReader &p)
{
    TextRun run;
    run.upright = true;
    run.reference = readYX(p);
    const qsizetype length = p.i16();
    run.options = p.u16();
    if (run.options & (textout::kOpaque | textout::kClipped)) {
        const double left = p.i16(), top = p.i16(), right = p.i16(), bottom = p.i16();
        run.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    if (!p.ok() || !fits(length, p))
        return complete(p, false, "length out of range");
    const QByteArrayView bytes = p.rest().first(length);
    p.skip(length + length % 2);
    QList<double> dx;
    if (p.remaining() >= length * 2) {
        for (qsizetype i = 0; i < length; ++i)
            dx.append(p.i16());
    }
    const DecodedText decoded = decodeAnsi(bytes, m_c.dc().font, dx);
    run.text = decoded.text;
    run.advances = decoded.advances;
    m_c.text(run);
    return Done{};
}

} // namespace metafile::wmf
