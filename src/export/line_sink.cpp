#include "export/line_sink.h"

namespace vek {
namespace {
constexpr std::size_t kBlockSize = 1 << 16;
}

TextFileSink::TextFileSink(store::OsFileSystem& fs, std::string path) : file_(fs, std::move(path)) {}

void TextFileSink::Write(std::string_view line) {
  if (!Good()) return;
  if (leading_blanks_) block_ += "     ";
  block_ += line;
  block_ += "\r\n";
  ++lines_;
  if (block_.size() >= kBlockSize) FlushBlock();
}

bool TextFileSink::FlushBlock() {
  const bool ok = file_.Write(block_);
  block_.clear();
  return ok;
}

bool TextFileSink::Commit() {
  if (!block_.empty() && !FlushBlock()) {
    file_.Abandon();
    return false;
  }
  return file_.Commit();
}

PageSink::PageSink(int page_height, int line_height, int top)
    : page_height_(page_height), line_height_(line_height > 0 ? line_height : 1), top_(top), y_(top) {}

void PageSink::SetGeometry(int page_height, int line_height, int top) {
  page_height_ = page_height;
  line_height_ = line_height > 0 ? line_height : 1;
  top_ = y_ = top;
}

int PageSink::LinesLeft() const { return (page_height_ - y_) / line_height_; }

void PageSink::Write(std::string_view line) {
  // A line that does not fit any more goes on the next sheet, so nothing is
  // drawn past the paper's edge even where a writer does not check.
  if (LinesLeft() < 1 && y_ > top_) NewPage();
  Draw(y_, line, bold_);
  drawn_.push_back({page_, y_, Text(line), bold_});
  y_ += line_height_;
}

void PageSink::NewPage() {
  StartSheet();
  ++page_;
  y_ = top_;
}

}  // namespace vek
