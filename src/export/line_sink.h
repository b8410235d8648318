// Where the lines of an output go: a text file (five blanks in front of
// every line where the list asks for them, CR LF, Windows-1252, written
// through a work file) or a printed page. Writers produce lines and never
// know which; paper adds bold, page breaks and page numbers.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "store/replacing_file.h"

namespace vek {

class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual bool Paper() const = 0;
  virtual void Write(std::string_view line) = 0;
  virtual void SetBold(bool on) { (void)on; }
  // Files: whether lines get the five blanks in front (most lists do).
  virtual void SetLeadingBlanks(bool on) { (void)on; }
  // Lines that still fit on the current page; a file never runs out.
  virtual int LinesLeft() const { return std::numeric_limits<int>::max(); }
  virtual void NewPage() {}
  virtual int PageNumber() const { return 1; }
  // False once a line could not be written (a full disk): writers stop.
  virtual bool Good() const { return true; }

  // A line holding one blank, the lists' empty line.
  void Blank() { Write(" "); }
};

// A text file. Lines are collected in blocks and appended to the work file;
// Commit replaces the chosen file in one step.
class TextFileSink final : public LineSink {
 public:
  TextFileSink(store::OsFileSystem& fs, std::string path);
  // False when the file cannot be created there.
  bool Create() { return file_.Open(); }
  // CSV, EDI and the STF header carry no blanks in front.
  void SetLeadingBlanks(bool on) override { leading_blanks_ = on; }

  bool Paper() const override { return false; }
  void Write(std::string_view line) override;
  bool Good() const override { return file_.error() == 0; }
  bool Commit();
  void Abandon() { file_.Abandon(); }

  std::int64_t lines() const { return lines_; }
  std::uint64_t bytes() const { return file_.size() + block_.size(); }
  std::int32_t error() const { return file_.error(); }
  const std::string& path() const { return file_.path(); }

 private:
  bool FlushBlock();

  store::ReplacingFile file_;
  std::string block_;
  bool leading_blanks_ = true;
  std::int64_t lines_ = 0;
};

// Pages of a printer: the line position, page breaks and what was drawn,
// in printer units. The Qt printer draws each line as it comes; the record
// of lines is what tests check.
class PageSink : public LineSink {
 public:
  struct DrawnLine {
    int page;
    int y;  // top of the line, printer units from the top of the page
    Text text;
    bool bold;
  };
  // `page_height` and `line_height` in printer units; `top` where the first line starts.
  PageSink(int page_height, int line_height, int top = 0);
  PageSink() : PageSink(1, 1) {}

  bool Paper() const override { return true; }
  void Write(std::string_view line) override;
  void SetBold(bool on) override { bold_ = on; }
  int LinesLeft() const override;
  void NewPage() override;
  int PageNumber() const override { return page_; }

  const std::vector<DrawnLine>& drawn() const { return drawn_; }
  int line_height() const { return line_height_; }

 protected:
  // The printer's part: draw one line at `y` / begin a new sheet.
  virtual void Draw(int y, std::string_view text, bool bold) { (void)y, (void)text, (void)bold; }
  virtual void StartSheet() {}
  // For printers that know their page only once they are opened.
  void SetGeometry(int page_height, int line_height, int top);

 private:
  int page_height_, line_height_, top_;
  int y_;
  int page_ = 1;
  bool bold_ = false;
  std::vector<DrawnLine> drawn_;
};

}  // namespace vek
