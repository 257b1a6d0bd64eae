#include "scan/KeyedLines.h"

#include <algorithm>
#include <cstring>

KeyedLines::KeyedLines(QByteArray bytes, KeyOf keyOf) : m_bytes(std::move(bytes)), m_keyOf(keyOf)
{
    const char *data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    bool ascending = true;
    QByteArrayView previous;
    for (qsizetype pos = 0; pos < size;) {
        const char *lf = static_cast<const char *>(std::memchr(data + pos, '\n', std::size_t(size - pos)));
        qsizetype end = lf ? lf - data : size;
        // A lone CR ends a line too.
        if (const void *cr = std::memchr(data + pos, '\r', std::size_t(end - pos)))
            end = static_cast<const char *>(cr) - data;
        const Line at{pos, end - pos};
        const QByteArrayView key = m_keyOf(line(at));
        if (!key.isEmpty()) {
            const int order = previous.isNull() ? 1 : key.compare(previous);
            ascending = ascending && order >= 0;
            m_distinct += order != 0 ? 1 : 0;
            m_lines.push_back(at);
            previous = key;
        }
        pos = end + 1;
    }
    if (ascending)
        return;
    // Out of order: counted again, without the binary search's help.
    m_distinct = 0;
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const QByteArray key = keyAt(m_lines[std::size_t(i)]).toByteArray();
        if (!m_hashed.contains(key)) {
            m_hashed.insert(key, i);
            ++m_distinct;
        }
    }
}

std::optional<QByteArrayView> KeyedLines::lineOf(QByteArrayView key) const
{
    if (!m_keyOf || key.isEmpty())
        return std::nullopt;
    if (!m_hashed.isEmpty()) {
        const auto found = m_hashed.constFind(key.toByteArray());
        if (found == m_hashed.constEnd())
            return std::nullopt;
        return line(m_lines[std::size_t(*found)]);
    }
    const auto found = std::lower_bound(
        m_lines.begin(), m_lines.end(), key,
        [this](const Line &at, QByteArrayView wanted) { return keyAt(at).compare(wanted) < 0; });
    if (found == m_lines.end() || keyAt(*found) != key)
        return std::nullopt;
    return line(*found);
}
