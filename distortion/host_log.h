#pragma once

#include <ostream>
#include <streambuf>
#include <string>

// A stream buffer that hands each flushed line to the host's log pane.
class TLHXBuf : public std::streambuf {
public:
  using LineSink = void (*)(const char*);
  explicit TLHXBuf(LineSink sink) : sink_(sink) {}

protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    if (traits_type::to_char_type(ch) == '\n') flushLine();
    else line_.push_back(traits_type::to_char_type(ch));
    return ch;
  }
  int sync() override {
    if (!line_.empty()) flushLine();
    return 0;
  }

private:
  void flushLine() {
    if (sink_) sink_(line_.c_str());
    line_.clear();
  }
  LineSink sink_;
  std::string line_;
};

class TLHXLog : public std::ostream {
public:
  explicit TLHXLog(TLHXBuf::LineSink sink) : std::ostream(nullptr), buf_(sink) { rdbuf(&buf_); }

private:
  TLHXBuf buf_;
};
