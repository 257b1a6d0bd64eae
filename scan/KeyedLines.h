#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <optional>
#include <vector>

// Lines of text that each start with a key, looked up by key. The data files
// that the build writes are in ascending key order, so a lookup is a binary
// search over the line starts and opening one costs one pass over its bytes;
// a file in any other order (one of the user's own) gets a hash of its keys
// instead. Nothing is decoded until asked. Lines end with CR, LF or both;
// when a key occurs twice, the first line wins. Immutable after
// construction, so it may be read from any thread.
class KeyedLines
{
public:
    // The key of a line, or an empty view when the line is no record.
    using KeyOf = QByteArrayView (*)(QByteArrayView line);

    KeyedLines() = default;
    KeyedLines(QByteArray bytes, KeyOf keyOf);

    // The whole line of key (without its line end).
    std::optional<QByteArrayView> lineOf(QByteArrayView key) const;
    // Distinct keys.
    qsizetype size() const { return m_distinct; }

private:
    struct Line
    {
        qsizetype start, length;
    };

    QByteArrayView line(const Line &at) const { return QByteArrayView(m_bytes).sliced(at.start, at.length); }
    QByteArrayView keyAt(const Line &at) const { return m_keyOf(line(at)); }

    QByteArray m_bytes;
    KeyOf m_keyOf = nullptr;
    std::vector<Line> m_lines;             // the records, in file order
    QHash<QByteArray, qsizetype> m_hashed; // key -> first record, only for a file out of order
    qsizetype m_distinct = 0;
};
