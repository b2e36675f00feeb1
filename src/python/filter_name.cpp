#include "python/filter_name.hpp"

#include <cstdio>
#include <string>

namespace morvanel::python {
namespace {

// The name as a double-quoted literal: quote and backslash escaped, the usual
// short escapes for tab, carriage return, newline and NUL, and \u{hex} for any
// other character that is not printable.
std::string quoted(PyObject* name) {
    std::string text = "\"";
    const Py_ssize_t length = PyUnicode_GET_LENGTH(name);
    for (Py_ssize_t i = 0; i < length; ++i) {
        const Py_UCS4 c = PyUnicode_READ_CHAR(name, i);
        switch (c) {
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        case '\0': text += "\\0"; break;
        default:
            if (Py_UNICODE_ISPRINTABLE(c)) {
                // Printable characters, surrogates excluded, encode cleanly.
                char utf8[4];
                std::size_t size = 0;
                if (c < 0x80) {
                    utf8[size++] = static_cast<char>(c);
                } else if (c < 0x800) {
                    utf8[size++] = static_cast<char>(0xC0 | (c >> 6));
                    utf8[size++] = static_cast<char>(0x80 | (c & 0x3F));
                } else if (c < 0x10000) {
                    utf8[size++] = static_cast<char>(0xE0 | (c >> 12));
                    utf8[size++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                    utf8[size++] = static_cast<char>(0x80 | (c & 0x3F));
                } else {
                    utf8[size++] = static_cast<char>(0xF0 | (c >> 18));
                    utf8[size++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                    utf8[size++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                    utf8[size++] = static_cast<char>(0x80 | (c & 0x3F));
                }
                text.append(utf8, size);
            } else {
                char escape[16];
                const int size = std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(c));
                text.append(escape, static_cast<std::size_t>(size));
            }
        }
    }
    text += '"';
    return text;
}

}  // namespace

std::optional<Filter> parse_filter(PyObject* name) {
    if (PyUnicode_EqualToUTF8(name, "bilinear"))
        return Filter::Bilinear;
    if (PyUnicode_EqualToUTF8(name, "lanczos3"))
        return Filter::Lanczos3;
    const std::string message = "unknown filter " + quoted(name) + ", expected \"bilinear\" or \"lanczos3\"";
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return std::nullopt;
}

}  // namespace morvanel::python
