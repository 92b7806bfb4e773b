#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// How the local score matrix stores its cells.
//
// Neighbouring cells of a local score matrix differ by a bounded amount (at
// most the best pair score minus the gap cost in a row or a column, twice
// that diagonally: about 1,200 for the default DNA scores). So a cell can be
// kept as the low 12 bits of its score: the full score is the one with those
// low bits that lies nearest to a neighbour whose score is known. Every read
// walks from a known score: along a row from the region's zero column, or
// back along a segment from its end. Two cells share three bytes, which takes
// the largest matrix the program builds to 1.5 bytes a cell. Scores whose
// steps could exceed the 12-bit reach are kept whole (WholeCells).

// Whole 32-bit scores.
struct WholeCells {
    struct Row {
        int* cells;
        int get(std::size_t j) const { return cells[j]; }
        void set(std::size_t j, int v) const { cells[j] = v; }
    };
    static std::size_t rowBytes(std::size_t width) { return width * sizeof(int); }
    static int decode(int stored, int /*neighbour*/) { return stored; }
    // The score of cell j, given the score of cell j - 1.
    static int next(const Row& row, std::size_t j, int /*left*/) { return row.get(j); }
    static void storeRow(Row row, const int* scores, std::size_t width) {
        std::memcpy(row.cells, scores, width * sizeof(int));
    }
    // Cells first .. first + count - 1 of the row.
    static void storeRange(Row row, std::size_t first, const int* scores, std::size_t count) {
        std::memcpy(row.cells + first, scores, count * sizeof(int));
    }
};

// The low 12 bits of each score, two cells in three bytes.
struct PackedCells {
    static constexpr int kReach = 2047;  // largest neighbour step that can be bridged

    struct Row {
        std::uint8_t* bytes;
        int get(std::size_t j) const {
            const std::uint8_t* q = bytes + (j >> 1) * 3;
            return (j & 1) ? (q[1] >> 4) | (q[2] << 4) : q[0] | ((q[1] & 0x0F) << 8);
        }
        void set(std::size_t j, int v) const {
            std::uint8_t* q = bytes + (j >> 1) * 3;
            if (j & 1) {
                q[1] = static_cast<std::uint8_t>((q[1] & 0x0F) | ((v & 0x0F) << 4));
                q[2] = static_cast<std::uint8_t>(v >> 4);
            } else {
                q[0] = static_cast<std::uint8_t>(v);
                q[1] = static_cast<std::uint8_t>((q[1] & 0xF0) | ((v >> 8) & 0x0F));
            }
        }
    };
    static std::size_t rowBytes(std::size_t width) { return (width + 1) / 2 * 3; }
    // The 12-bit step from `from` to `to`, as a signed number.
    static int step(int to, int from) {
        const int s = (to - from) & 0xFFF;
        return s >= 2048 ? s - 4096 : s;
    }
    static int decode(int stored, int neighbour) { return neighbour + step(stored, neighbour); }
    static int next(const Row& row, std::size_t j, int left) {
        return left + step(row.get(j), row.get(j - 1));
    }
    static void storeRow(Row row, const int* scores, std::size_t width) {
        std::uint8_t* q = row.bytes;
        std::size_t j = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // Four cells at a time as one 48-bit number; the eight-byte store
            // spills two bytes into the next group, which is written next.
            for (; j + 6 <= width; j += 4, q += 6) {
                const std::uint64_t packed =
                    (static_cast<std::uint64_t>(static_cast<unsigned>(scores[j]) & 0xFFF)) |
                    (static_cast<std::uint64_t>(static_cast<unsigned>(scores[j + 1]) & 0xFFF) << 12) |
                    (static_cast<std::uint64_t>(static_cast<unsigned>(scores[j + 2]) & 0xFFF) << 24) |
                    (static_cast<std::uint64_t>(static_cast<unsigned>(scores[j + 3]) & 0xFFF) << 36);
                std::memcpy(q, &packed, sizeof packed);
            }
        }
        for (; j + 1 < width; j += 2, q += 3) {
            const unsigned a = static_cast<unsigned>(scores[j]) & 0xFFF;
            const unsigned b = static_cast<unsigned>(scores[j + 1]) & 0xFFF;
            q[0] = static_cast<std::uint8_t>(a);
            q[1] = static_cast<std::uint8_t>((a >> 8) | (b << 4));
            q[2] = static_cast<std::uint8_t>(b >> 4);
        }
        if (j < width) row.set(j, scores[j]);
    }
    // Cells first .. first + count - 1 of the row; the cells around them keep
    // their bits.
    static void storeRange(Row row, std::size_t first, const int* scores, std::size_t count) {
        if (count == 0) return;
        if (first & 1) {
            row.set(first, scores[0]);
            ++first;
            ++scores;
            --count;
        }
        storeRow(Row{row.bytes + first / 2 * 3}, scores, count);
    }
};
