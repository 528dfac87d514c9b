#include "editor/editor_core.h"

#include <algorithm>
#include <cstring>

#include "editor/text_search.h"
#include "text/gbk.h"

namespace {

// Scroll codes (the SB_* values of Windows).
constexpr int kLineUp = 0;
constexpr int kLineDown = 1;
constexpr int kPageUp = 2;
constexpr int kPageDown = 3;
constexpr int kThumbPosition = 4;
constexpr int kThumbTrack = 5;
constexpr int kTop = 6;
constexpr int kBottom = 7;

constexpr int kHorizontalRange = 2048;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

EditorCore::EditorCore(TextMeasurer& measurer, EditorHost& host) : measurer_(measurer), host_(host) {}

// --- text -----------------------------------------------------------------------------

// Whether a text needs no normalising: no CR and no line over the limit.
static bool alreadyNormal(std::string_view text) {
    if (std::memchr(text.data(), '\r', text.size())) return false;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = lf ? lf : end;
        if (std::size_t(lineEnd - p) > EditorCore::kMaxLine) return false;
        p = lineEnd + 1;
    }
    return true;
}

// Appends the line [b, e) (no LF in it), broken before every character
// that would take it past kMaxLine bytes.
static void appendBrokenLine(std::string& out, const char* b, const char* e) {
    if (std::size_t(e - b) <= EditorCore::kMaxLine) {
        out.append(b, e);
        return;
    }
    const char* lineStart = b;
    for (const char* q = b; q < e;) {
        std::size_t length = gbk::isLeadByte(*q) && q + 1 < e && q[1] != '\r' ? 2 : 1;
        if (std::size_t(q + length - lineStart) > EditorCore::kMaxLine) {
            out.append(lineStart, q);
            out += '\n';
            lineStart = q;
        }
        q += length;
    }
    out.append(lineStart, e);
}

std::string EditorCore::normalizeText(std::string_view text) {
    if (alreadyNormal(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / kMaxLine + 1);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = lf ? lf : end;
        const char* content = lineEnd;
        if (lf && content > p && content[-1] == '\r') --content;  // CR LF becomes LF
        appendBrokenLine(out, p, content);
        if (!lf) break;
        out += '\n';
        p = lf + 1;
    }
    return out;
}

void EditorCore::setText(std::string_view text) {
    if (alreadyNormal(text))
        text_.assign(text);
    else
        text_.assign(normalizeText(text));
    history_.clear();
    history_.setSavePoint();  // the text as loaded is what a save would keep
    anchor_ = end_ = kNone;
    firstLine_ = 0;
    hscroll_ = 0;
    placeCaret(0);
    desiredColumn_ = 0;
    host_.textChanged();
    host_.scrollRangesChanged();
    host_.invalidateAll();
}

// --- positions ---------------------------------------------------------------------------

std::size_t EditorCore::charLength(std::size_t pos) const {
    if (pos >= text_.length()) return 0;
    if (gbk::isLeadByte(text_.at(pos)) && pos + 1 < text_.length() && text_.at(pos + 1) != '\n') return 2;
    return 1;
}

std::size_t EditorCore::previousCharStart(std::size_t pos) const {
    if (pos == 0) return 0;
    std::size_t line = text_.lineOf(pos);
    std::size_t start = text_.lineStart(line);
    if (start == pos) return pos - 1;  // the LF ending the previous line
    std::size_t p = start;
    for (;;) {
        std::size_t next = p + charLength(p);
        if (next >= pos) return p;
        p = next;
    }
}

int EditorCore::columnOf(std::size_t pos) const {
    std::size_t p = text_.lineStart(text_.lineOf(pos));
    int column = 0;
    while (p < pos) {
        char c = text_.at(p);
        if (c == '\t')
            column = (column / kTabSize + 1) * kTabSize;
        else
            column += int(charLength(p));
        p += charLength(p);
    }
    return column;
}

int EditorCore::lineColumns(std::size_t line) const { return columnOf(text_.lineEnd(line)); }

int EditorCore::widthTo(std::size_t line, std::size_t pos) {
    std::size_t p = text_.lineStart(line);
    int tab = std::max(1, measurer_.tabStopWidth());
    int width = 0;
    while (p < pos) {
        char c = text_.at(p);
        std::size_t n = charLength(p);
        if (c == '\t')
            width = (width / tab + 1) * tab;
        else
            width += measurer_.charWidth(static_cast<unsigned char>(c),
                                         n == 2 ? static_cast<unsigned char>(text_.at(p + 1)) : 0);
        p += n;
    }
    return width;
}

std::size_t EditorCore::positionAtX(std::size_t line, int x) {
    int target = x - kMarginWidth + hscroll_ * measurer_.columnWidth();
    std::size_t p = text_.lineStart(line);
    std::size_t end = text_.lineEnd(line);
    int tab = std::max(1, measurer_.tabStopWidth());
    int left = 0;
    while (p < end) {
        char c = text_.at(p);
        std::size_t n = charLength(p);
        int right = c == '\t' ? (left / tab + 1) * tab
                              : left + measurer_.charWidth(static_cast<unsigned char>(c),
                                                           n == 2 ? static_cast<unsigned char>(text_.at(p + 1)) : 0);
        bool last = p + n >= end;
        // Left of the middle: before the character; for the last one of
        // the line, anywhere left of its right edge.
        if (last ? target < right : target < (left + right) / 2) return p;
        left = right;
        p += n;
    }
    return end;
}

std::size_t EditorCore::positionAtColumn(std::size_t line, int column) const {
    std::size_t p = text_.lineStart(line);
    std::size_t end = text_.lineEnd(line);
    int c = 0;
    while (p < end && c < column) {
        int next = text_.at(p) == '\t' ? (c / kTabSize + 1) * kTabSize : c + int(charLength(p));
        if (next > column) break;
        c = next;
        p += charLength(p);
    }
    return p;
}

bool EditorCore::isWordDelimiter(char c) const { return wordDelimiters_.find(c) != std::string::npos; }

void EditorCore::setDelimiters(std::string word, std::string special, std::vector<std::string> blockDelimiters) {
    wordDelimiters_ = std::move(word);
    specialDelimiters_ = std::move(special);
    blockDelimiters_ = std::move(blockDelimiters);
}

// Whether a block delimiter lies within 10 bytes of `pos`: a change there
// may open or close a block, and everything below must be repainted.
bool EditorCore::nearBlockDelimiter(std::size_t pos) const {
    std::size_t from = pos > 10 ? pos - 10 : 0;
    std::size_t to = std::min(text_.length(), pos + 10);
    for (const std::string& d : blockDelimiters_)
        if (!d.empty() && text_.find(d, from, to) != std::string::npos) return true;
    return false;
}

// --- view ------------------------------------------------------------------------------------

void EditorCore::setViewSize(int clientWidth, int clientHeight) {
    viewWidth_ = std::max(0, clientWidth - kMarginWidth);
    viewHeight_ = std::max(0, clientHeight);
    host_.scrollRangesChanged();
    // Everything fits now: back to the top.
    if (verticalRange() <= std::size_t(pageLines()) && firstLine_ > 0) {
        setFirstLine(0);
        host_.invalidateAll();
    }
    placeCaret(caret_);
}

void EditorCore::fontChanged() {
    host_.scrollRangesChanged();
    placeCaret(caret_);
    host_.invalidateAll();
}

int EditorCore::pageLines() const {
    int height = std::max(1, measurer_.lineHeight());
    return viewHeight_ / height;
}

int EditorCore::pageColumns() const {
    int width = std::max(1, measurer_.columnWidth());
    return viewWidth_ / width;
}

std::size_t EditorCore::verticalRange() const {
    std::size_t lfs = text_.lineCount() - 1;
    bool endsWithLf = text_.length() > 0 && text_.at(text_.length() - 1) == '\n';
    return lfs + (endsWithLf ? 0 : 1);
}

void EditorCore::setFirstLine(std::size_t line) {
    std::size_t last = verticalRange() > 0 ? verticalRange() - 1 : 0;
    firstLine_ = std::min(line, last);
}

bool EditorCore::scrollLines(long delta) {
    long target = long(firstLine_) + delta;
    long last = long(verticalRange()) - 1;
    target = std::max(0L, std::min(target, std::max(0L, last)));
    if (std::size_t(target) == firstLine_) return false;
    firstLine_ = std::size_t(target);
    return true;
}

bool EditorCore::scroll(bool vertical, int code, int position) {
    long current = vertical ? long(firstLine_) : hscroll_;
    long maximum = vertical ? long(verticalRange()) : kHorizontalRange;
    long page = vertical ? pageLines() : pageColumns();
    long next;
    switch (code) {
    case kLineUp: next = current - (position == 3 ? 3 : 1); break;
    case kLineDown: next = current + (position == 3 ? 3 : 1); break;
    case kPageUp: next = current - (page - 1); break;
    case kPageDown: next = current + (page - 1); break;
    case kThumbPosition:
    case kThumbTrack: next = position; break;
    case kTop: next = 0; break;
    case kBottom: next = maximum; break;
    default: return false;
    }
    next = std::max(0L, std::min(next, maximum - 1));
    if (next == current) return false;
    if (vertical)
        firstLine_ = std::size_t(next);
    else
        hscroll_ = int(next);
    // The caret keeps its place in the text; only its point moves.
    caretX_ = kMarginWidth + widthTo(caretLine_, caret_) - hscroll_ * measurer_.columnWidth();
    caretY_ = (long(caretLine_) - long(firstLine_)) * measurer_.lineHeight();
    host_.caretMoved();
    host_.invalidateAll();
    return true;
}

// --- caret and selection ------------------------------------------------------------------------

std::size_t EditorCore::selectionStart() const { return hasSelection() ? std::min(anchor_, end_) : caret_; }
std::size_t EditorCore::selectionEnd() const { return hasSelection() ? std::max(anchor_, end_) : caret_; }

void EditorCore::setSelection(std::size_t anchor, std::size_t end) {
    anchor_ = std::min(anchor, text_.length());
    end_ = std::min(end, text_.length());
    placeCaret(end_);
    host_.invalidateAll();
}

void EditorCore::setSelection(std::size_t anchor, std::size_t end, bool keepView) {
    if (text_.length() == 0) return;
    if (anchor == kNone) {
        clearSelection();
        return;
    }
    anchor_ = std::min(anchor, text_.length());
    end_ = end == kNone ? text_.length() : std::min(end, text_.length());
    if (!keepView) placeCaret(end_);
    host_.invalidateAll();
}

void EditorCore::clearSelection() {
    if (anchor_ == kNone) return;
    bool visible = hasSelection();
    anchor_ = end_ = kNone;
    if (visible) host_.invalidateAll();
}

void EditorCore::selectAll() {
    anchor_ = text_.length();
    end_ = 0;
    placeCaret(0);
    host_.invalidateAll();
}

void EditorCore::placeCaret(std::size_t pos) {
    caret_ = std::min(pos, text_.length());
    caretLine_ = text_.lineOf(caret_);
    caretColumn_ = columnOf(caret_);
    followCaret();
    host_.caretMoved();
}

// Scrolls so that the caret is in view, with two lines of room below it.
void EditorCore::followCaret() {
    int column = std::max(1, measurer_.columnWidth());
    int lineHeight = std::max(1, measurer_.lineHeight());
    bool scrolled = false;
    if (viewWidth_ > 0) {
        int width = widthTo(caretLine_, caret_);
        int x = kMarginWidth + width - hscroll_ * column;
        int right = kMarginWidth + viewWidth_;
        if (x < kMarginWidth + column) {
            int endColumn = lineColumns(caretLine_);
            int next = std::max(0, std::min(hscroll_ + (x - kMarginWidth) / column - 2, endColumn - 2));
            if (next != hscroll_) hscroll_ = next, scrolled = true;
        } else if (x >= right - column) {
            hscroll_ += std::max(1, pageColumns() * 15 / 100) + (x - right) / column;
            scrolled = true;
        }
    }
    if (viewHeight_ > 0) {
        if (caretLine_ < firstLine_) {
            firstLine_ = caretLine_;
            scrolled = true;
        } else {
            long mark = viewHeight_ - 2L * lineHeight;
            long y = (long(caretLine_) - long(firstLine_)) * lineHeight;
            if (mark >= 0 && y >= mark) {
                scrolled |= scrollLines((y - mark) / lineHeight + 1);
            } else if (mark < 0 && caretLine_ > firstLine_) {
                firstLine_ = caretLine_;
                scrolled = true;
            }
        }
    }
    caretX_ = std::max(kMarginWidth, kMarginWidth + widthTo(caretLine_, caret_) - hscroll_ * column);
    caretY_ = int((long(caretLine_) - long(firstLine_)) * lineHeight);
    if (scrolled) host_.invalidateAll();
}

void EditorCore::moveTo(std::size_t pos, bool extend) {
    if (extend) {
        if (anchor_ == kNone) anchor_ = caret_;
        end_ = pos;
        host_.invalidateAll();
    } else {
        clearSelection();
    }
    placeCaret(pos);
}

// --- moves ----------------------------------------------------------------------------------------

bool EditorCore::moveLeft(bool extend) {
    if (!extend && hasSelection()) {
        std::size_t start = selectionStart();
        clearSelection();
        placeCaret(start);
    } else if (caret_ == 0) {
        host_.refused(kRefuseLeft);
        return false;
    } else {
        moveTo(previousCharStart(caret_), extend);
    }
    desiredColumn_ = caretColumn_;
    return true;
}

bool EditorCore::moveRight(bool extend) {
    if (!extend && hasSelection()) {
        std::size_t end = selectionEnd();
        clearSelection();
        placeCaret(end);
    } else if (caret_ >= text_.length()) {
        host_.refused(kRefuseRight);
        return false;
    } else {
        moveTo(caret_ + charLength(caret_), extend);
    }
    desiredColumn_ = caretColumn_;
    return true;
}

// Where a vertical move lands on `line` from screen column `x`: the point
// below or above the caret, or the desired column when that lies further
// right (the line end when the line is shorter).
std::size_t EditorCore::verticalTarget(std::size_t line, int x) {
    std::size_t pos = positionAtX(line, x);
    return columnOf(pos) < desiredColumn_ ? positionAtColumn(line, desiredColumn_) : pos;
}

bool EditorCore::moveUp(bool extend) {
    if (!extend && hasSelection()) {
        std::size_t start = selectionStart();
        clearSelection();
        placeCaret(start);
        desiredColumn_ = caretColumn_;
    }
    if (caretLine_ == 0) {
        host_.refused(kRefuseUp);
        return false;
    }
    if (caretLine_ == firstLine_ && scrollLines(-1)) host_.invalidateAll();
    std::size_t line = caretLine_ - 1;
    std::size_t pos = verticalTarget(line, caretX_);
    moveTo(pos, extend);
    return true;
}

bool EditorCore::moveDown(bool extend) {
    if (!extend && hasSelection()) {
        std::size_t end = selectionEnd();
        clearSelection();
        placeCaret(end);
        desiredColumn_ = caretColumn_;
    }
    if (caretLine_ + 1 >= text_.lineCount()) {
        host_.refused(kRefuseDown);
        return false;
    }
    if (pageLines() >= 2 && long(caretLine_) >= long(firstLine_) + pageLines() - 2 && scrollLines(1))
        host_.invalidateAll();
    std::size_t line = caretLine_ + 1;
    std::size_t pos = verticalTarget(line, caretX_);
    moveTo(pos, extend);
    return true;
}

bool EditorCore::smartHome(bool extend) {
    if (text_.length() == 0) {
        host_.refused(kRefuseHome);
        return false;
    }
    if (hscroll_ != 0) {
        hscroll_ = 0;
        host_.invalidateAll();
    }
    std::size_t start = text_.lineStart(caretLine_);
    std::size_t end = text_.lineEnd(caretLine_);
    std::size_t firstText = start;
    while (firstText < end && isBlank(text_.at(firstText))) ++firstText;
    moveTo(caret_ == firstText ? start : firstText, extend);
    desiredColumn_ = caretColumn_;
    host_.invalidateAll();
    return true;
}

bool EditorCore::lineEnd(bool extend) {
    moveTo(text_.lineEnd(caretLine_), extend);
    desiredColumn_ = caretColumn_;
    return true;
}

void EditorCore::textStart(bool extend) {
    if (firstLine_ != 0 || hscroll_ != 0) {
        firstLine_ = 0;
        hscroll_ = 0;
        host_.invalidateAll();
    }
    moveTo(0, extend);
    desiredColumn_ = 0;
}

void EditorCore::textEnd(bool extend) {
    moveTo(text_.length(), extend);
    desiredColumn_ = caretColumn_;
}

bool EditorCore::pageUp(bool extend) {
    int page = pageLines();
    if (caretLine_ == 0 && firstLine_ == 0) {
        host_.refused(kRefusePageUp);
        return false;
    }
    int x = caretX_;
    int row = int(long(caretLine_) - long(firstLine_));
    std::size_t line;
    if (long(caretLine_) >= page || firstLine_ > 0) {
        scrollLines(-(page - 1 > 0 ? page - 1 : 1));
        line = std::min(text_.lineCount() - 1, std::size_t(std::max(0L, long(firstLine_) + row)));
        host_.invalidateAll();
    } else {
        line = firstLine_;
    }
    std::size_t pos = verticalTarget(line, x);
    moveTo(pos, extend);
    return true;
}

bool EditorCore::pageDown(bool extend) {
    int page = pageLines();
    int x = caretX_;
    int row = int(long(caretLine_) - long(firstLine_));
    if (!scrollLines(page - 1 > 0 ? page - 1 : 1)) {
        if (caret_ >= text_.length()) {
            host_.refused(kRefusePageDown);
            return false;
        }
        moveTo(text_.length(), extend);
        return true;
    }
    host_.invalidateAll();
    std::size_t line = std::min(text_.lineCount() - 1, std::size_t(long(firstLine_) + row));
    std::size_t pos = verticalTarget(line, x);
    moveTo(pos, extend);
    return true;
}

bool EditorCore::wordRight(bool extend) {
    std::size_t length = text_.length();
    if (caret_ >= length) {
        host_.refused(kRefuseWordRight);
        return false;
    }
    std::size_t p = caret_;
    char c = text_.at(p);
    auto isSpecial = [&](char b) { return specialDelimiters_.find(b) != std::string::npos; };
    auto isPunctuation = [&](char b) { return isWordDelimiter(b) && !isSpecial(b) && b != ' '; };
    if (c == '\n') {
        ++p;  // onto the next line
    } else if (!isWordDelimiter(c)) {
        while (p < length && !isWordDelimiter(text_.at(p))) p += charLength(p);
    } else if (isSpecial(c)) {
        while (p < length && text_.at(p) == c) ++p;
    } else if (isPunctuation(c)) {
        while (p < length && isPunctuation(text_.at(p))) ++p;
    }
    while (p < length && text_.at(p) == ' ') ++p;
    moveTo(p, extend);
    desiredColumn_ = caretColumn_;
    return true;
}

bool EditorCore::wordLeft(bool extend) {
    if (caret_ == 0) {
        host_.refused(kRefuseWordLeft);
        return false;
    }
    std::size_t p = caret_;
    while (p > 0 && text_.at(p - 1) == ' ') --p;
    if (p > 0) {
        std::size_t q = previousCharStart(p);
        char c = text_.at(q);
        auto isSpecial = [&](char b) { return specialDelimiters_.find(b) != std::string::npos; };
        auto isPunctuation = [&](char b) { return isWordDelimiter(b) && !isSpecial(b) && b != ' '; };
        if (c == '\n') {
            p = q;  // before the line break
        } else if (!isWordDelimiter(c) || charLength(q) == 2) {
            p = q;
            while (p > 0) {
                std::size_t prev = previousCharStart(p);
                char b = text_.at(prev);
                if (charLength(prev) == 1 && isWordDelimiter(b)) break;
                p = prev;
            }
        } else if (isSpecial(c)) {
            p = q;
            while (p > 0 && text_.at(p - 1) == c) --p;
        } else {
            p = q;
            while (p > 0 && isPunctuation(text_.at(p - 1)) && charLength(previousCharStart(p)) == 1) --p;
        }
    }
    moveTo(p, extend);
    desiredColumn_ = caretColumn_;
    return true;
}

bool EditorCore::prevIndentStop() {
    if (caretColumn_ == 0) {
        host_.refused(kRefusePrevIndent);
        return false;
    }
    int step = caretColumn_ % kIndentWidth;
    if (step == 0) step = kIndentWidth;
    std::size_t pos = positionAtColumn(caretLine_, caretColumn_ - step);
    if (pos >= caret_) pos = previousCharStart(caret_);
    moveTo(pos, false);
    desiredColumn_ = caretColumn_;
    return true;
}

// --- editing primitives --------------------------------------------------------------------------

void EditorCore::rawInsert(std::size_t pos, std::string_view bytes) {
    text_.insert(pos, bytes);
    shiftForInsert(dragSource_, pos, bytes.size());
    shiftForInsert(lastInsert_, pos, bytes.size());
}

void EditorCore::rawErase(std::size_t pos, std::size_t count) {
    text_.erase(pos, count);
    shiftForErase(dragSource_, pos, count);
    shiftForErase(lastInsert_, pos, count);
    setFirstLine(firstLine_);
}

// Bytes inserted at a range's start go before it; inside it, they join it.
void EditorCore::shiftForInsert(Range& r, std::size_t pos, std::size_t count) {
    if (r.from == kNone) return;
    if (pos <= r.from) {
        r.from += count;
        r.to += count;
    } else if (pos < r.to) {
        r.to += count;
    }
}

void EditorCore::shiftForErase(Range& r, std::size_t pos, std::size_t count) {
    if (r.from == kNone) return;
    auto map = [&](std::size_t p) { return p <= pos ? p : p >= pos + count ? p - count : pos; };
    r.from = map(r.from);
    r.to = map(r.to);
}

void EditorCore::record(int kind, std::size_t pos, std::string text, bool grouped) {
    UndoRecord r;
    r.kind = kind | action_;
    r.position = pos;
    r.caret = hasSelection() ? end_ : caret_;
    r.text = std::move(text);
    r.grouped = grouped;
    history_.add(std::move(r));
    modified_ = true;
}

void EditorCore::markModified() { host_.modifiedChanged(isModified()); }

void EditorCore::afterChange(bool repaintAll, std::size_t line) {
    host_.textChanged();
    host_.scrollRangesChanged();
    if (repaintAll)
        host_.invalidateAll();
    else
        host_.invalidateLines(line, line);
    markModified();
}

std::string EditorCore::indentString() const {
    // With tabs kept, an indent of kIndentWidth columns is whole tabs and
    // the remaining blanks.
    return std::string(kIndentWidth / kTabSize, '\t') + std::string(kIndentWidth % kTabSize, ' ');
}

// Inserts normalised text at `pos`, breaking the first and the last line it
// touches where they would grow past the limit; all of it undoes as one.
void EditorCore::insertAt(std::size_t pos, std::string_view text, int action, bool grouped) {
    action_ = action;
    std::string normal = normalizeText(text);
    if (normal.empty()) return;
    rawInsert(pos, normal);
    lastInsert_ = {pos, pos + normal.size()};
    std::size_t caretAfter = pos + normal.size();

    std::vector<std::size_t> breaks;  // where line breaks are inserted, in order of insertion
    std::size_t firstLine = text_.lineOf(pos);
    std::size_t lastLine = text_.lineOf(caretAfter);
    for (std::size_t line : {lastLine, firstLine}) {
        for (;;) {
            std::size_t start = text_.lineStart(line);
            std::size_t end = text_.lineEnd(line);
            if (end - start <= kMaxLine) break;
            // The last character boundary within the limit.
            std::size_t cut = start;
            while (cut + charLength(cut) - start <= kMaxLine) cut += charLength(cut);
            breaks.push_back(cut);
            line = text_.lineOf(cut);  // (unchanged; the rest moves to a new line)
            rawInsert(cut, "\n");
            if (cut <= caretAfter) ++caretAfter;
            ++line;  // the remainder, checked again
            if (line > lastLine) lastLine = line;
            break;
        }
    }
    // The insertion, then each break; grouped so that one Undo takes all.
    // (Breaks are recorded after the text so that undoing them first leaves
    // the inserted text where it was put.)
    std::size_t shiftBefore = 0;
    for (std::size_t b : breaks)
        if (b < pos) ++shiftBefore;
    clearSelection();
    record(kUndoInsert, pos + shiftBefore, normal, grouped || !breaks.empty());
    for (std::size_t i = 0; i < breaks.size(); ++i)
        record(kUndoInsert, breaks[i], "\n", i + 1 < breaks.size() || grouped);
    placeCaret(caretAfter);
    afterChange(true, caretLine_);
    desiredColumn_ = caretColumn_;
}

void EditorCore::insertText(std::string_view text, int action) {
    // The deletion undoes with the insertion; with nothing to insert it
    // stands alone.
    if (hasSelection()) deleteSelection(action, !text.empty());
    insertAt(caret_, text, action, false);
}

void EditorCore::typeChar(unsigned char c) {
    if (hasSelection()) deleteSelection(kActionTyping, true);
    action_ = kActionTyping;
    if (c == '\n') {
        insertNewLine();
        return;
    }
    if (lineColumns(caretLine_) >= int(kMaxLine)) {
        // A full line is broken at the caret first; the character ends
        // the first part.
        std::size_t at = caret_;
        bool atEnd = caret_ == text_.lineEnd(caretLine_);
        rawInsert(at, "\n");
        record(kUndoInsert, at, "\n", false);
        placeCaret(atEnd ? at + 1 : at);
    }
    std::size_t pos = caret_;
    bool nearBefore = nearBlockDelimiter(pos);
    UndoRecord* last = history_.mergeTarget();
    bool previousKeyTypes = previousKey_ == kKeySpace || previousKey_ >= 48;
    bool sameClass = isWordDelimiter(char(c)) == isWordDelimiter(char(previousKey_));
    rawInsert(pos, std::string(1, char(c)));
    if (last && (last->kind & kUndoInsert) && previousKeyTypes && sameClass &&
        last->position + last->text.size() == pos) {
        last->text += char(c);  // one record for a word typed in one go
        modified_ = true;
    } else {
        record(kUndoInsert, pos, std::string(1, char(c)), false);
    }
    placeCaret(pos + 1);
    afterChange(nearBefore || nearBlockDelimiter(pos), caretLine_);
    desiredColumn_ = caretColumn_;
}

void EditorCore::typeDoubleByte(unsigned char lead, unsigned char trail) {
    const char bytes[2] = {char(lead), char(trail)};
    if (hasSelection()) deleteSelection(kActionTyping, true);
    insertAt(caret_, std::string_view(bytes, 2), kActionTyping, false);
}

void EditorCore::insertNewLine() {
    if (hasSelection()) deleteSelection(kActionEnter, true);
    action_ = kActionEnter;
    std::size_t start = text_.lineStart(caretLine_);
    std::size_t indentEnd = start;
    while (indentEnd < caret_ && isBlank(text_.at(indentEnd))) ++indentEnd;
    std::string inserted = "\n" + text_.substr(start, indentEnd - start);
    std::size_t pos = caret_;
    rawInsert(pos, inserted);
    record(kUndoInsert, pos, inserted, false);
    hscroll_ = 0;
    placeCaret(pos + inserted.size());
    afterChange(true, caretLine_);
    desiredColumn_ = caretColumn_;
}

void EditorCore::insertIndent() {
    std::string indent = indentString();
    if (lineColumns(caretLine_) + kIndentWidth > int(kMaxLine)) {
        host_.refused(kRefuseIndentTooLong);
        return;
    }
    action_ = kActionTab;
    std::size_t pos = caret_;
    rawInsert(pos, indent);
    record(kUndoInsert, pos, indent, false);
    placeCaret(pos + indent.size());
    afterChange(false, caretLine_);
    desiredColumn_ = caretColumn_;
}

bool EditorCore::indentSelectedLines(bool indent) {
    std::size_t a = selectionStart();
    std::size_t b = selectionEnd();
    std::size_t firstLine = text_.lineOf(a);
    std::size_t lastLine = text_.lineOf(b);
    if (lastLine > firstLine && b == text_.lineStart(lastLine)) --lastLine;

    auto record_ = std::make_shared<LineIndentRecord>();
    record_->firstLine = firstLine;
    record_->indent = indent;
    std::string indentText = indentString();
    for (std::size_t line = firstLine; line <= lastLine; ++line) {
        std::size_t start = text_.lineStart(line);
        std::size_t end = text_.lineEnd(line);
        std::size_t firstText = start;
        while (firstText < end && isBlank(text_.at(firstText))) ++firstText;
        LineIndentRecord::Line change;
        if (indent) {
            if (lineColumns(line) + kIndentWidth > int(kMaxLine)) {
                host_.refused(kRefuseIndentTooLong);
                return false;
            }
            change.offset = firstText - start;
            change.text = indentText;
        } else {
            // White space right before the text, going left, up to one
            // indent's columns; a tab counts the columns it spans.
            std::size_t from = firstText;
            int removed = 0;
            while (from > start && removed < kIndentWidth) {
                int before = columnOf(from - 1);
                int after = columnOf(from);
                removed += after - before;
                --from;
            }
            change.offset = from - start;
            change.text = text_.substr(from, firstText - from);
        }
        record_->lines.push_back(change);
    }
    action_ = indent ? kActionIndentLines : kActionOutdentLines;
    bool forward = anchor_ == kNone || anchor_ <= end_;
    applyIndent(*record_, true);

    UndoRecord r;
    r.kind = kUndoIndent | action_;
    r.position = a;
    r.caret = hasSelection() ? end_ : caret_;
    r.lines = record_;
    history_.add(std::move(r));
    modified_ = true;

    // The selection covers the touched lines, in its old direction.
    std::size_t from = text_.lineStart(firstLine);
    std::size_t to = lastLine + 1 < text_.lineCount() ? text_.lineStart(lastLine + 1) : text_.length();
    if (forward)
        setSelection(from, to);
    else
        setSelection(to, from);
    afterChange(true, caretLine_);
    return true;
}

void EditorCore::applyIndent(const LineIndentRecord& r, bool forward) {
    for (std::size_t i = 0; i < r.lines.size(); ++i) {
        const LineIndentRecord::Line& line = r.lines[i];
        std::size_t at = text_.lineStart(r.firstLine + i) + line.offset;
        if (r.indent == forward)
            rawInsert(at, line.text);
        else
            rawErase(at, line.text.size());
    }
}

bool EditorCore::deleteSelection(int action, bool grouped) {
    if (!hasSelection()) {
        host_.refused(kRefuseNoSelection);
        return false;
    }
    action_ = action;
    std::size_t a = selectionStart();
    std::size_t b = selectionEnd();
    std::string removed = text_.substr(a, b - a);
    rawErase(a, b - a);
    record(kUndoDelete, a, removed, grouped);
    anchor_ = end_ = kNone;
    placeCaret(a);
    afterChange(true, caretLine_);
    desiredColumn_ = caretColumn_;
    return true;
}

void EditorCore::deleteForward() {
    if (hasSelection()) {
        deleteSelection(kActionDelete);
        return;
    }
    if (caret_ >= text_.length()) {
        host_.refused(kRefuseDeleteAtEnd);
        return;
    }
    if (text_.at(caret_) == '\n' && lineColumns(caretLine_) + lineColumns(caretLine_ + 1) > int(kMaxLine) - 1) {
        host_.refused(kRefuseJoinTooLong);
        return;
    }
    anchor_ = caret_;
    end_ = caret_ + charLength(caret_);
    deleteSelection(kActionDelete);
}

void EditorCore::backspace() {
    if (hasSelection()) {
        deleteSelection(kActionBackspace);
        return;
    }
    if (caret_ == 0) return;
    std::size_t p = previousCharStart(caret_);
    if (text_.at(p) == '\n' && lineColumns(caretLine_ - 1) + lineColumns(caretLine_) > int(kMaxLine) - 1) {
        host_.refused(kRefuseJoinTooLong);
        return;
    }
    if (text_.lineOf(p) < firstLine_) {
        firstLine_ = text_.lineOf(p);
        host_.invalidateAll();
    }
    anchor_ = p;
    end_ = caret_;
    deleteSelection(kActionBackspace);
}

// --- undo and redo ----------------------------------------------------------------------------------

void EditorCore::applyRecord(const UndoRecord& r, bool undo) {
    if (r.kind & kUndoIndent) {
        applyIndent(*r.lines, !undo);
        caret_ = std::min(r.caret, text_.length());
        return;
    }
    bool insertion = r.kind & kUndoInsert;
    if (insertion == undo) {
        rawErase(r.position, r.text.size());
        caret_ = std::min(r.caret, text_.length());
    } else {
        rawInsert(r.position, r.text);
        caret_ = r.position + r.text.size();
    }
}

bool EditorCore::undo() { return walkHistory(true); }

bool EditorCore::redo() { return walkHistory(false); }

// One step back (undo) or forward through the history, grouped records
// together.
bool EditorCore::walkHistory(bool back) {
    std::vector<const UndoRecord*> records = back ? history_.undo() : history_.redo();
    if (records.empty()) {
        host_.refused(back ? kRefuseUndo : kRefuseRedo);
        return false;
    }
    anchor_ = end_ = kNone;
    for (const UndoRecord* r : records) applyRecord(*r, back);
    modified_ = true;
    placeCaret(caret_);
    afterChange(true, caretLine_);
    desiredColumn_ = caretColumn_;
    return true;
}

void EditorCore::setSavePoint() {
    modified_ = false;
    history_.setSavePoint();
    markModified();
}

// --- find and exchange -------------------------------------------------------------------------------

bool EditorCore::find(std::string_view pattern, bool down, bool matchCase, bool wholeWord) {
    const std::size_t n = text_.length();
    const std::size_t npos = TextSearch::npos;
    if (pattern.empty() || n == 0) return false;
    TextSearch search(text_, pattern, matchCase, wholeWord, wordDelimiters_);
    std::size_t hit;
    if (down) {
        // At the text end the search starts on the last byte.
        std::size_t start = caret_ >= n ? n - 1 : caret_;
        hit = search.forward(start, n);
        if (hit == npos) hit = search.forward(0, start);
    } else {
        // The nearest occurrence ending at or before the caret, past the
        // selection when it is one; then around from the text end.
        std::size_t skip = hasSelection() && selectionEnd() - selectionStart() == pattern.size() ? selectionStart() : npos;
        hit = search.backward(0, caret_, skip);
        if (hit == npos) hit = search.backward(caret_, n);
    }
    if (hit == npos) return false;
    setSelection(hit, hit + pattern.size());
    return true;
}

std::string EditorCore::selectedText() const {
    if (!hasSelection()) return std::string();
    return text_.substr(selectionStart(), selectionEnd() - selectionStart());
}

std::string EditorCore::clipboardText() const {
    std::string selected = selectedText();
    if (selected.size() >= kClipboardConvertLimit) return selected;
    std::string out;
    out.reserve(selected.size() + selected.size() / 8 + 1);
    // Every indent becomes a tab: with tabs kept, an indent is one already.
    const std::string indent = indentString();
    for (std::size_t i = 0; i < selected.size(); ++i) {
        char c = selected[i];
        if (c == '\r') continue;
        if (c == '\n') {
            out += "\r\n";
        } else if (indent != "\t" && selected.compare(i, indent.size(), indent) == 0) {
            out += '\t';
            i += indent.size() - 1;
        } else {
            out += c;
        }
    }
    return out;
}

void EditorCore::paste(std::string_view data, bool columnWise) {
    if (!columnWise) {
        insertText(data, kActionPaste);
        return;
    }
    if (hasSelection()) deleteSelection(kActionPaste, !data.empty());
    insertColumnText(data, caret_, kActionPaste, false);
}

// Where `offset` of a line went once the line was broken into pieces
// (normalizeText only adds line feeds to a line that has none).
static std::size_t offsetAfterBreaks(std::string_view normal, std::size_t offset) {
    std::size_t j = 0;
    for (std::size_t i = 0; i < offset && j < normal.size(); ++j)
        if (normal[j] != '\n') ++i;
    return j;
}

void EditorCore::insertColumnText(std::string_view text, std::size_t pos, int action, bool grouped) {
    pos = std::min(pos, text_.length());
    std::size_t line = text_.lineOf(pos);
    if (text_.lineEnd(line) - text_.lineStart(line) < 2) {
        insertAt(pos, text, action, grouped);
        return;
    }
    // The lines of the text, without their line ends.
    std::vector<std::string_view> pieces;
    for (std::size_t from = 0; from < text.size();) {
        std::size_t lf = text.find('\n', from);
        std::size_t to = lf == std::string_view::npos ? text.size() : lf;
        std::string_view piece = text.substr(from, to - from);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        pieces.push_back(piece);
        from = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    if (pieces.empty()) return;

    // The touched lines are rebuilt as one block and replace the old ones
    // in two records that undo together; lines past the end are added.
    action_ = action;
    const int column = columnOf(pos);
    const std::size_t lines = text_.lineCount();
    const std::size_t lastExisting = std::min(line + pieces.size() - 1, lines - 1);
    const std::size_t blockStart = text_.lineStart(line);
    const std::size_t blockEnd = text_.lineEnd(lastExisting);
    std::string block;
    std::size_t caretInBlock = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::string rebuilt;
        std::size_t at = 0;
        if (line + i < lines) {
            std::size_t start = text_.lineStart(line + i);
            at = positionAtColumn(line + i, column) - start;
            rebuilt = text_.substr(start, text_.lineEnd(line + i) - start);
        }
        rebuilt.insert(at, pieces[i]);
        std::string normal = normalizeText(rebuilt);
        if (i > 0) block += '\n';
        caretInBlock = block.size() + offsetAfterBreaks(normal, at + pieces[i].size());
        block += normal;
    }
    std::string old = text_.substr(blockStart, blockEnd - blockStart);
    anchor_ = end_ = kNone;
    rawErase(blockStart, old.size());
    record(kUndoDelete, blockStart, std::move(old), true);
    rawInsert(blockStart, block);
    lastInsert_ = {blockStart, blockStart + block.size()};
    record(kUndoInsert, blockStart, block, grouped);
    placeCaret(blockStart + caretInBlock);
    afterChange(true, caretLine_);
    desiredColumn_ = caretColumn_;
}

bool EditorCore::insideSelection(int x, int y) {
    if (!hasSelection() || x < kMarginWidth) return false;
    std::size_t pos = positionFromPoint(x, y);
    return pos >= selectionStart() && pos < selectionEnd();
}

void EditorCore::beginDragOut() {
    dragSource_ = hasSelection() ? Range{selectionStart(), selectionEnd()} : Range{};
    lastInsert_ = {};
}

void EditorCore::endDragOut(bool moved, bool droppedHere) {
    Range source = dragSource_;
    dragSource_ = {};
    if (moved && source.from != kNone && source.to > source.from) {
        action_ = kActionDrop;
        std::string removed = text_.substr(source.from, source.to - source.from);
        anchor_ = end_ = kNone;
        caret_ = source.from;
        rawErase(source.from, removed.size());
        record(kUndoDelete, source.from, std::move(removed), false);
        placeCaret(source.from);
        afterChange(true, caretLine_);
    }
    if (droppedHere && lastInsert_.from != kNone) setSelection(lastInsert_.from, lastInsert_.to);
    desiredColumn_ = caretColumn_;
}

void EditorCore::dragOver(int x, int y) {
    const int lineHeight = std::max(1, measurer_.lineHeight());
    const int column = std::max(1, measurer_.columnWidth());
    const int left = kMarginWidth, right = kMarginWidth + viewWidth_;
    bool towardsRight = false;
    if (y >= viewHeight_ - lineHeight)
        y += lineHeight;
    else if (y < lineHeight)
        y -= lineHeight;
    else if (x >= right - column)
        x += column, towardsRight = true;
    else if (x < left + column)
        x -= column;
    std::size_t pos = positionFromPoint(x, y);
    // Past a short line's end the point would pull the caret back left.
    if (towardsRight && columnOf(pos) <= caretColumn_) return;
    placeCaret(pos);
}

std::size_t EditorCore::dropPosition(int x, int y) {
    int left = kMarginWidth, right = kMarginWidth + std::max(1, viewWidth_) - 1;
    int bottom = std::max(1, viewHeight_) - 1;
    return positionFromPoint(std::min(std::max(x, left), right), std::min(std::max(y, 0), bottom));
}

bool EditorCore::drop(std::size_t pos, std::string_view data, bool columnWise, bool groupWithFollowing) {
    pos = std::min(pos, text_.length());
    if (!columnWise && hasSelection() && pos >= selectionStart() && pos <= selectionEnd()) {
        host_.refused(kRefuseDrop);
        return false;
    }
    if (columnWise)
        insertColumnText(data, pos, kActionDrop, groupWithFollowing);
    else
        insertAt(pos, data, kActionDrop, groupWithFollowing);
    return true;
}

// --- keyboard ---------------------------------------------------------------------------------------------

void EditorCore::keyDown(int key, bool shift, bool ctrl) {
    previousKey_ = currentKey_;
    currentKey_ = key;
    switch (key) {
    case kKeyLeft:
        ctrl ? wordLeft(shift) : moveLeft(shift);
        break;
    case kKeyRight:
        ctrl ? wordRight(shift) : moveRight(shift);
        break;
    case kKeyUp:
        if (ctrl) {
            if (scroll(true, kLineUp, 0) && caretLine_ >= firstLine_ + std::size_t(std::max(1, pageLines())))
                placeCaret(caret_);
        } else {
            placeCaret(caret_);
            moveUp(shift);
        }
        break;
    case kKeyDown:
        if (ctrl) {
            if (scroll(true, kLineDown, 0) && caretLine_ < firstLine_) placeCaret(caret_);
        } else {
            placeCaret(caret_);
            moveDown(shift);
        }
        break;
    case kKeyHome:
        ctrl ? textStart(shift) : (void)smartHome(shift);
        break;
    case kKeyEnd:
        ctrl ? textEnd(shift) : (void)lineEnd(shift);
        break;
    case kKeyPageUp:
        if (!ctrl) {
            placeCaret(caret_);
            pageUp(shift);
        }
        break;
    case kKeyPageDown:
        if (!ctrl) {
            placeCaret(caret_);
            pageDown(shift);
        }
        break;
    case kKeyEscape:
        if (hasSelection()) {
            placeCaret(caret_);
            clearSelection();
        }
        break;
    case kKeyDelete:
        placeCaret(caret_);
        deleteForward();
        break;
    case kKeyBack:
        backspace();
        break;
    case kKeyReturn:
        insertNewLine();
        break;
    case kKeyTab:
        if (ctrl) break;
        if (!shift) {
            if (!hasSelection()) {
                insertIndent();
            } else {
                std::size_t a = selectionStart(), b = selectionEnd();
                bool hasBreak = text_.substr(a, b - a).find('\n') != std::string::npos || b == text_.length();
                if (hasBreak) {
                    indentSelectedLines(true);
                } else {
                    deleteSelection(kActionTab, true);
                    insertIndent();
                }
            }
        } else {
            if (!hasSelection()) {
                prevIndentStop();
            } else {
                std::size_t a = selectionStart(), b = selectionEnd();
                bool hasBreak = text_.substr(a, b - a).find('\n') != std::string::npos;
                bool touchedIndented = false;
                std::size_t last = text_.lineOf(b);
                if (last > text_.lineOf(a) && b == text_.lineStart(last)) --last;
                for (std::size_t line = text_.lineOf(a); line <= last; ++line) {
                    std::size_t start = text_.lineStart(line);
                    if (start < text_.length() && isBlank(text_.at(start))) touchedIndented = true;
                }
                bool atEnd = b == text_.length();
                if ((hasBreak || atEnd) && touchedIndented)
                    indentSelectedLines(false);
                else
                    host_.refused(kRefuseOutdent);
            }
        }
        break;
    default:
        break;
    }
}

// --- mouse ------------------------------------------------------------------------------------------------

std::size_t EditorCore::positionFromPoint(int x, int y) {
    int lineHeight = std::max(1, measurer_.lineHeight());
    long offset = long(y) + long(firstLine_) * lineHeight;
    long line = offset < 0 ? 0 : offset / lineHeight;
    if (std::size_t(line) >= text_.lineCount()) return text_.length();
    return positionAtX(std::size_t(line), x);
}

void EditorCore::mouseDown(int x, int y, bool shift, bool ctrl) {
    if (x < kMarginWidth) {
        // The whole line under the pointer, and line-wise selection.
        std::size_t line = text_.lineOf(positionFromPoint(kMarginWidth, y));
        std::size_t from = text_.lineStart(line);
        std::size_t to = line + 1 < text_.lineCount() ? text_.lineStart(line + 1) : text_.length();
        setSelection(from, to);
        lineSelecting_ = true;
        dragging_ = true;
        return;
    }
    if (ctrl) {
        doubleClick(x, y);
        return;
    }
    std::size_t pos = positionFromPoint(x, y);
    if (shift) {
        std::size_t from = hasSelection() ? anchor_ : caret_;
        setSelection(from, pos);
    } else {
        clearSelection();
        placeCaret(pos);
    }
    dragging_ = true;
}

void EditorCore::mouseMove(int x, int y) {
    if (!dragging_) return;
    if (x < kMarginWidth) x = kMarginWidth;
    if (lineSelecting_) {
        x = kMarginWidth;
        y += measurer_.lineHeight();
    }
    std::size_t pos = positionFromPoint(x, y);
    if (anchor_ == kNone) anchor_ = caret_;
    if (pos == end_) return;
    end_ = pos;
    placeCaret(pos);
    host_.invalidateAll();
}

void EditorCore::mouseUp() {
    dragging_ = false;
    lineSelecting_ = false;
    desiredColumn_ = caretColumn_;
    if (anchor_ != kNone && anchor_ == end_) anchor_ = end_ = kNone;
}

void EditorCore::doubleClick(int x, int y) {
    std::size_t length = text_.length();
    std::size_t pos = positionFromPoint(x, y);
    if (pos < length && isBlank(text_.at(pos))) {
        std::size_t from = pos, to = pos;
        while (from > 0 && isBlank(text_.at(from - 1))) --from;
        while (to < length && isBlank(text_.at(to))) ++to;
        if (to - from > 1) {
            setSelection(from, to);
            return;
        }
    }
    // From the position, or the nearest byte that is not white space.
    std::size_t p = pos;
    auto isSpace = [&](std::size_t i) { return isBlank(text_.at(i)) || text_.at(i) == '\n'; };
    if (p < length && isSpace(p)) {
        while (p < length && isSpace(p)) ++p;
        if (p >= length) {
            p = pos;
            while (p > 0 && isSpace(p)) --p;
        }
    } else if (p >= length && p > 0) {
        p = previousCharStart(p);
    }
    if (p >= length) return;
    if (charLength(p) == 1 && isWordDelimiter(text_.at(p))) {
        setSelection(p, p + 1);
        return;
    }
    std::size_t from = p;
    while (from > 0) {
        std::size_t prev = previousCharStart(from);
        if (charLength(prev) == 1 && isWordDelimiter(text_.at(prev))) break;
        from = prev;
    }
    std::size_t to = p;
    while (to < length && !(charLength(to) == 1 && isWordDelimiter(text_.at(to)))) to += charLength(to);
    setSelection(from, to);
}

void EditorCore::wheel(int delta) {
    if (verticalRange() < std::size_t(std::max(1, pageLines()))) return;
    int notches = delta / 120;
    for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) scroll(true, notches > 0 ? kLineUp : kLineDown, 3);
}
