#pragma once

#include "dict/memoryrecords.h"
#include "dict/recordsearch.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace vorlith::dict {

/// The word list the host judges words against.
///
/// A file named "English" in the working directory is the player's own list
/// and is used as it is. Without one, the list compiled into the program is
/// served straight from the executable's resource, together with the lookup
/// index the build made for it: nothing is written, copied or indexed, so a
/// start costs next to nothing and the game runs from a read-only folder too.
/// The player's file is read once and indexed once. Either way the answers
/// are those of a binary search over the file, one record read per probe
/// (see MemoryRecords).
///
/// Typical use by the host engine:
/// \code
///     if (!m_spellit.loadwords())
///         ui::messageBoxes().inform(m_spellit.errorText());
///     ...
///     if (!m_spellit.isword(word)) ...
/// \endcode
/// A list that could not be loaded leaves the dictionary usable: every
/// lookup answers false.
class Dictionary
{
public:
    /// Where the loaded records come from.
    enum class Source
    {
        None,             ///< nothing loaded: every lookup answers false
        PlayerFile,       ///< the player's own file, read once into memory
        PlayerFileOnDisk, ///< the player's file, too large to hold: searched on disk
        BuiltIn,          ///< the compiled-in list, read straight from the executable
    };

    /// The default word-list file, relative to the working directory.
    static QString defaultFileName();
    /// The resource path of the compiled-in list.
    static QString builtInResource();
    /// The resource path of the index made at build time for the compiled-in
    /// list at \a listResource.
    static QString builtInIndexResource(const QString &listResource = builtInResource());
    /// The text to show when no list could be had.
    static QString notFoundText();
    /// The player's files up to this size are read into memory; larger ones
    /// are searched on disk.
    static constexpr qint64 DefaultMemoryLimit = 64 * 1024 * 1024;

    /// \a builtInResource is the resource holding the compiled-in list; tests
    /// name a missing one to see the dictionary without it.
    explicit Dictionary(QString builtInResource = Dictionary::builtInResource());
    ~Dictionary();
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;

    /// Loads the word list, replacing whatever was loaded before. When a file
    /// \a fileName exists it is the list, whatever it holds (an empty or
    /// unreadable file is not replaced by the built-in list); otherwise the
    /// built-in list is used. Returns false when neither can be had; then
    /// errorText() is notFoundText() and every lookup answers false. The
    /// caller shows that text to the player.
    bool loadwords(const QString &fileName = Dictionary::defaultFileName());

    /// True when the trimmed word, compared without regard to the case of
    /// a-z, equals a record of the list. Only the first 255 bytes count; a
    /// word of more than 15 characters after trimming is never found, while
    /// records hold at most 14 letters (longer words are stored cut to 14).
    bool isword(QByteArrayView word) const;
    /// The same for text held as a QString: each character is taken as its
    /// Latin-1 byte, as the protocol's single-byte text is.
    bool isword(QStringView word) const;

    /// Calls \a visit with the records of the loaded list, in list order, a
    /// run of whole records (RecordSize bytes each) at a time. False when the
    /// list could not be read to its end (a player's file that changed on
    /// disk).
    bool readRecords(const std::function<void(QByteArrayView records)> &visit) const;

    bool isOpen() const { return m_source != Source::None; }
    Source source() const { return m_source; }
    qint64 recordCount() const;
    /// Empty while a list is loaded, else notFoundText().
    QString errorText() const { return m_errorText; }
    /// The compiled-in list is served with the index made for it at build
    /// time, so loading it built nothing.
    bool usesCompiledIndex() const;

    /// Changes the size up to which the player's file is read into memory;
    /// takes effect at the next loadwords().
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }

private:
    bool loadPlayerFile(const QString &fileName);
    bool loadBuiltIn();
    void unload();

    QString m_builtInResource;
    MemoryRecords m_memory;             // PlayerFile and BuiltIn
    std::unique_ptr<RecordFile> m_file; // PlayerFileOnDisk
    Source m_source{Source::None};
    QString m_errorText;
    qint64 m_memoryLimit{DefaultMemoryLimit};
};

/// Registers the compiled-in word list with the resource system. The list
/// lives in a static library, so it must be pulled in explicitly; loadwords()
/// does this itself. Safe to call more than once.
void initBuiltInWordList();

} // namespace vorlith::dict
