#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace vorlith::dict {

/// One record of a word list: a length byte, then a 14-byte word field padded
/// with spaces. A list is a plain run of records without header.
inline constexpr int RecordSize = 15;
inline constexpr int WordFieldSize = 14;
/// Words and records are padded (records also cut) to this width before they
/// are compared.
inline constexpr int KeyWidth = 15;
/// Only this many characters of a search word are looked at.
inline constexpr int MaxWordLength = 255;

using Key = std::array<char, KeyWidth>;

/// A search word in the form records are compared against.
struct SearchKey
{
    /// The first KeyWidth characters of the trimmed, padded, upper-cased word.
    Key head{};
    /// The trimmed word has more than KeyWidth characters. Such a word sorts
    /// after every record that shares its head and is never found.
    bool longer{false};
    /// Nothing but spaces and NULs: never a word.
    bool empty{true};
};

/// Normalises a search word: the first MaxWordLength bytes, NULs read as
/// spaces, leading and trailing spaces removed, padded with spaces and
/// upper-cased (ASCII a-z only).
SearchKey makeSearchKey(QByteArrayView word);

/// Normalises the record at \a record (RecordSize bytes): min(length byte, 14)
/// characters of the word field, NULs read as spaces, trimmed of spaces,
/// padded to KeyWidth and upper-cased (ASCII a-z only).
inline Key recordKey(const char *record)
{
    Key key;
    key.fill(' ');
    const char *word = record + 1;
    int end = std::min<int>(static_cast<unsigned char>(record[0]), WordFieldSize);
    int begin = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (begin < end && blank(word[begin]))
        ++begin;
    while (end > begin && blank(word[end - 1]))
        --end;
    for (int i = begin; i < end; ++i) {
        char c = word[i];
        if (c == '\0')
            c = ' ';
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        key[static_cast<std::size_t>(i - begin)] = c;
    }
    return key;
}

/// The lookup's binary search over records 0..lastIndex. \a readRecord(index)
/// returns a pointer to that record's RecordSize bytes, or nullptr when it
/// cannot be had, which ends the search with false. Records are compared byte
/// by byte as unsigned values; a list that is not sorted still gets an answer,
/// just not necessarily a useful one.
template <typename ReadRecord>
bool searchRecords(const SearchKey &key, qint64 lastIndex, ReadRecord &&readRecord)
{
    if (key.empty)
        return false;
    qint64 lo = 0;
    qint64 hi = lastIndex;
    while (lo <= hi) {
        const qint64 mid = (lo + hi) / 2;
        const char *record = readRecord(mid);
        if (!record)
            return false;
        const Key probe = recordKey(record);
        const int order = std::memcmp(probe.data(), key.head.data(), KeyWidth);
        if (order == 0 && !key.longer)
            return true;
        // A record equal to the head of a longer word is a prefix of it, so it is less.
        if (order < 0 || (order == 0 && key.longer))
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

/// A word list searched on disk: one seek and one RecordSize read per probe,
/// nothing kept in memory. Used for lists too large to hold in memory, and as
/// the yardstick the in-memory lookup is measured against.
class RecordFile
{
public:
    /// Opens \a path for reading. The number of records is fixed here: the
    /// file size divided by RecordSize, rounded down.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    qint64 recordCount() const { return m_lastIndex + 1; }

    /// True when \a word is a record of the file. A record that cannot be read
    /// (the file shrank, or a read error) ends the search with false.
    bool contains(QByteArrayView word);
    bool contains(const SearchKey &key);
    /// Reads the records whole, in order, through a handle of its own (the
    /// searches' is left alone), passing \a visit a run of records at a
    /// time. False when the file no longer holds them all.
    bool readRecords(const std::function<void(QByteArrayView records)> &visit) const;

private:
    QFile m_file;
    qint64 m_lastIndex{-1};
    std::array<char, RecordSize> m_buffer{};
};

} // namespace vorlith::dict
