#pragma once

#include "net/game.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vorlith::client {

/// Answers a number from 0 to n - 1 for n > 0: the program's one generator.
using RandomSource = std::function<int(int n)>;

/// The board of the main window without its looks: the 6 by 6 letter grid,
/// the marks over letters in use, the word under construction with the cells
/// it came from, typing mode, and whether the board takes input. Columns and
/// rows count from 1; cell positions of the deal run down the columns.
class BoardModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int Size = 6;
    static constexpr int Cells = Size * Size;
    static constexpr int CellPixels = 65;
    /// Letter-grid values besides the letters 1 to 26.
    static constexpr int FreeCell = 0; ///< only while a shuffle runs
    static constexpr int NoTile = 29;
    /// The mark over a letter in use.
    static constexpr int Cross = 27;
    /// The idle picture: a short word in row 3 over a longer one in row 4.
    static inline const QString IdleTop = QStringLiteral("GO");
    static inline const QString IdleBottom = QStringLiteral("FIGURE");

    struct Cell
    {
        int column{0};
        int row{0};
        bool operator==(const Cell &) const = default;
    };

    explicit BoardModel(QObject *parent = nullptr);

    /// Where the shuffle draws its numbers from.
    void setRandomSource(RandomSource random) { m_random = std::move(random); }

    int letter(int column, int row) const;
    int mark(int column, int row) const;
    /// "A" to "Z" for 1 to 26, empty for any other index.
    static QString myletter(int index);
    /// The cell under a point of the drawing surface, if any.
    static std::optional<Cell> cellAt(int x, int y);
    /// Cell of deal position \a position (1 to 36).
    static Cell cellOfPosition(int position);

    /// The letter codes of the last deal, by deal position (1 = a .. 26 = z).
    const std::array<int, Cells> &dealt() const { return m_dealt; }

    QString word() const { return m_word; }
    /// The chosen cells in order, each as its column digit and row digit.
    QStringList selected() const;

    bool typing() const { return m_typing; }
    void setTyping(bool on);
    /// Whether clicks, keys and the buttons act: true while the round is
    /// open for this player.
    bool isOpen() const { return m_open; }
    void setOpen(bool open);

    /// Letters of row \a row (1 to 6) as a screen reader reads them.
    QString rowText(int row) const;

    // Operations. The ones that need an open board check it themselves.
    /// The host dealt a board: letter codes by deal position.
    void onBoardDealt(const net::game::Board &codes);
    /// A mouse button released at (x, y) on the drawing surface: the left
    /// one chooses the cell there, the right one submits the word.
    void chooseCell(bool rightButton, int x, int y);
    /// Chooses the first unused cell holding the letter of key \a code
    /// ('A' is 65); returns whether there was one.
    bool chooseLetter(int code);
    /// Gives back the last chosen letter.
    void removeLastLetter();
    /// Drops the word and its marks quietly.
    void clearWord();
    /// The CLEAR button: drops the word with its sound.
    void clearWordAloud();
    /// Submits the word (while the board is open) and starts a new one.
    void submitWord();
    /// Deals the same letters to new cells and drops the word.
    void shuffle();

Q_SIGNALS:
    /// Letters or marks changed.
    void boardChanged();
    void wordChanged(const QString &word);
    void typingChanged(bool on);
    void openChanged(bool open);
    void soundRequested(const QString &name);
    /// The player submits \a word (possibly empty).
    void wordSubmitted(const QString &word);

private:
    int &letterAt(const Cell &c) { return m_letters[index(c)]; }
    int &markAt(const Cell &c) { return m_marks[index(c)]; }
    static size_t index(const Cell &c) { return static_cast<size_t>((c.column - 1) * Size + (c.row - 1)); }
    void choose(const Cell &c);
    int draw(int n);

    std::array<int, Cells> m_letters{};
    std::array<int, Cells> m_dealt{};
    std::array<int, Cells> m_marks{};
    std::vector<Cell> m_selected;
    QString m_word;
    bool m_typing{false};
    bool m_open{false};
    RandomSource m_random;
};

} // namespace vorlith::client
