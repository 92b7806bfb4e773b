#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/LocalRow.hpp"

// Where a local score cell's value came from; the values are those the row
// kernels record (kernels/LocalRow.hpp).
enum class LocalChoice : std::uint8_t {
    kStart = 0,     // the score is 0: a segment starts there
    kDiagonal = 1,  // a pair of residues
    kAbove = 2,     // a residue of sequence 1 against a gap
    kLeft = 3,      // a residue of sequence 2 against a gap
};

// Traceback choices of local score cells, 2 bits a cell, four cells a byte
// (cell j in byte j / 4 at bits 2 * (j % 4)).
// A matrix stored this way holds no scores at all: a score is recomputed by
// the row kernel when a search needs it, or summed back along the choices.
struct ChoiceCells {
    static std::size_t rowBytes(std::size_t width) { return (width + 3) / 4; }

    static LocalChoice get(const std::uint8_t* row, std::size_t j) {
        return static_cast<LocalChoice>((row[j >> 2] >> ((j & 3) * 2)) & 3);
    }
    // `choice` is a kernel's byte for the cell.
    static void set(std::uint8_t* row, std::size_t j, std::uint8_t choice) {
        const unsigned shift = static_cast<unsigned>(j & 3) * 2;
        std::uint8_t& b = row[j >> 2];
        b = static_cast<std::uint8_t>((b & ~(3u << shift)) | (static_cast<unsigned>(choice) << shift));
    }

    // Cells first .. first + count - 1 of the row from one byte a cell; the
    // cells around them keep their bits. Whole bytes go through `pack`.
    static void storeRange(std::uint8_t* row, std::size_t first, const std::uint8_t* choices,
                           std::size_t count, PackChoicesFn pack) {
        std::size_t k = 0;
        for (; k < count && ((first + k) & 3) != 0; ++k) set(row, first + k, choices[k]);
        const std::size_t whole = (count - k) / 4;
        pack(choices + k, whole, row + ((first + k) >> 2));
        for (k += 4 * whole; k < count; ++k) set(row, first + k, choices[k]);
    }
};
