#pragma once

#include <array>
#include <cstddef>

/// The numbers the table is made of, shared by the host engine, the client
/// and the messages between them.
namespace vorlith::net::game {

/// Players' seats are slots 1 to 6.
inline constexpr int Seats = 6;
/// Slots 7 to 9 are spies: they see the table but play no words.
inline constexpr int LastSlot = 9;
/// The board's 6 x 6 cells, numbered 1 to 36 on the wire.
inline constexpr int Cells = 36;
inline constexpr int BoardSide = 6;
/// Letter codes on a board: 1 (a) to 26 (z); 0 marks a cell not dealt.
inline constexpr int Letters = 26;

/// A dealt board: the letter code of cell 1 at index 0, and so on.
using Board = std::array<int, Cells>;

constexpr bool isSeat(int slot)
{
    return slot >= 1 && slot <= Seats;
}

constexpr bool isSpy(int slot)
{
    return slot > Seats && slot <= LastSlot;
}

constexpr bool isSlot(int slot)
{
    return slot >= 1 && slot <= LastSlot;
}

constexpr bool isLetterCode(int code)
{
    return code >= 1 && code <= Letters;
}

/// The index into a per-seat array of \a seat, which must be a seat.
constexpr std::size_t seatIndex(int seat)
{
    return static_cast<std::size_t>(seat - 1);
}

} // namespace vorlith::net::game
