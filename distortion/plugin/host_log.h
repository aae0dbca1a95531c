#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace distortion::plugin {

// A stream buffer that collects text and, on every flush, hands all of it
// (end of line included) to the host's log pane as one string.
class TLHXBuf : public std::streambuf {
public:
    using LineSink = void (*)(const char*);
    explicit TLHXBuf(LineSink sink) : sink_(sink) {}

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        text_.push_back(traits_type::to_char_type(ch));
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        text_.append(s, static_cast<std::size_t>(n));
        return n;
    }
    int sync() override {
        if (!text_.empty() && sink_) sink_(text_.c_str());
        text_.clear();
        return 0;
    }

private:
    LineSink sink_;
    std::string text_;
};

class TLHXLog : public std::ostream {
public:
    explicit TLHXLog(TLHXBuf::LineSink sink) : std::ostream(nullptr), buf_(sink) { rdbuf(&buf_); }

private:
    TLHXBuf buf_;
};

}  // namespace distortion::plugin
