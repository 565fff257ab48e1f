#pragma once
// How wide the page prints Latin-1 text in a table, so that column widths can be
// measured before any browser lays the table out.
#include <cstddef>

enum class Face {
    Cell,  // a table cell: 9 pt regular
    Head,  // a table header: 7.5 pt semibold
};

// The advance of the Latin-1 character `c`, in hundredths of the cells' em (9 pt),
// in the widest face of the page's font stack, rounded up.
size_t char_width(unsigned char c, Face face);
