#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A terminal screen as the views' bytes leave it, with the rows that scrolled off above it:
// carriage return, line feed (as CR LF, the way a terminal's output processing turns it),
// cursor up, erase in line and erase below (of the whole screen, into the scrollback, as
// tmux keeps it). Each character takes one column (the tests that
// use it speak English); a character past the last column wraps onto the next row.
namespace tavro::test {

class FakeTerminal {
public:
    FakeTerminal(std::size_t columns, std::size_t rows)
        : columns_(columns), rows_(rows), screen_(rows) {}

    std::size_t columns() const { return columns_; }
    std::size_t rows() const { return rows_; }
    // A narrower window keeps its rows as they are; what was past the edge is no longer seen.
    void Resize(std::size_t columns) { columns_ = columns; }

    void Feed(std::string_view bytes) {
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            const char c = bytes[at];
            if (c == '\x1b') {
                at = Escape(bytes, at);
            } else if (c == '\r') {
                column_ = 0;
            } else if (c == '\n') {
                column_ = 0;
                LineFeed();
            } else if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
                if (column_ > 0) Row()[column_ - 1] += c;  // the rest of a character
            } else {
                Put(c);
            }
        }
    }

    // The rows that scrolled off, then the screen, without trailing blanks or empty rows.
    std::vector<std::string> Transcript() const {
        std::vector<std::string> lines = scrolledOff_;
        for (const auto& row : screen_) lines.push_back(Text(row));
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        return lines;
    }
    const std::vector<std::string>& ScrolledOff() const { return scrolledOff_; }

    // Cursor moves that would have left the screen at its top: a redraw of more rows than the
    // screen holds, which cannot reach the rows that scrolled off.
    std::size_t movesPastTheTop = 0;
    // Characters written past the last column.
    std::size_t wraps = 0;
    // Escape sequences that this terminal does not know.
    std::size_t unknownEscapes = 0;

private:
    using Cells = std::vector<std::string>;

    Cells& Row() {
        Cells& row = screen_[row_];
        if (row.size() < column_ + 1) row.resize(column_ + 1, " ");
        return row;
    }

    static std::string Text(const Cells& row) {
        std::string text;
        for (const std::string& cell : row) text += cell;
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    void LineFeed() {
        if (row_ + 1 < rows_) {
            ++row_;
            return;
        }
        scrolledOff_.push_back(Text(screen_.front()));
        screen_.erase(screen_.begin());
        screen_.emplace_back();
    }

    void Put(char c) {
        if (column_ >= columns_) {
            ++wraps;
            column_ = 0;
            LineFeed();
        }
        Row()[column_] = std::string(1, c);
        ++column_;
    }

    // Reads "ESC [ digits letter" from at; returns the index of its last byte.
    std::size_t Escape(std::string_view bytes, std::size_t at) {
        if (at + 1 >= bytes.size() || bytes[at + 1] != '[') {
            ++unknownEscapes;
            return at;
        }
        std::size_t end = at + 2;
        std::size_t count = 0;
        bool counted = false;
        while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9') {
            count = count * 10 + static_cast<std::size_t>(bytes[end] - '0');
            counted = true;
            ++end;
        }
        if (end >= bytes.size()) return end;
        const char command = bytes[end];
        if (command == 'A') {
            const std::size_t up = counted ? count : 1;
            if (up > row_) ++movesPastTheTop;
            row_ -= std::min(up, row_);
        } else if (command == 'K' && (!counted || count == 0)) {
            Cells& row = screen_[row_];
            if (row.size() > column_) row.resize(column_);
        } else if (command == 'K' && count == 2) {
            screen_[row_].clear();
        } else if (command == 'J' && !counted && row_ == 0 && column_ == 0) {
            // As tmux does: a screen erased whole keeps what it showed in the scrollback.
            for (const Cells& row : screen_) scrolledOff_.push_back(Text(row));
            for (Cells& row : screen_) row.clear();
        } else if (command == 'J' && !counted) {
            Cells& row = screen_[row_];
            if (row.size() > column_) row.resize(column_);
            for (std::size_t below = row_ + 1; below < rows_; ++below) screen_[below].clear();
        } else {
            ++unknownEscapes;
        }
        return end;
    }

    std::size_t columns_;
    std::size_t rows_;
    std::vector<Cells> screen_;
    std::vector<std::string> scrolledOff_;
    std::size_t row_ = 0;
    std::size_t column_ = 0;
};

}  // namespace tavro::test
