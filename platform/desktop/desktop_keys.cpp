// Key code translation and UTF-8 handling for the desktop platform.
#include "platform/desktop/desktop_keys.h"

#include <SDL.h>

#include <string>

#include "platform/keys.h"

namespace korel::desktop {

int virtualKeyFor(int32_t k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return vk::F1 + (k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return 0x7C + (k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return vk::Numpad0 + 1 + (k - SDLK_KP_1);
    switch (k) {
        case SDLK_BACKSPACE:
            return vk::Back;
        case SDLK_TAB:
            return vk::Tab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_RETURN2:
            return vk::Return;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return vk::Shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return vk::Control;
        case SDLK_LALT:
        case SDLK_RALT:
            return vk::Menu;
        case SDLK_PAUSE:
            return vk::Pause;
        case SDLK_CAPSLOCK:
            return 0x14;
        case SDLK_ESCAPE:
            return vk::Escape;
        case SDLK_SPACE:
            return vk::Space;
        case SDLK_PAGEUP:
            return vk::Prior;
        case SDLK_PAGEDOWN:
            return vk::Next;
        case SDLK_END:
            return vk::End;
        case SDLK_HOME:
            return vk::Home;
        case SDLK_LEFT:
            return vk::Left;
        case SDLK_UP:
            return vk::Up;
        case SDLK_RIGHT:
            return vk::Right;
        case SDLK_DOWN:
            return vk::Down;
        case SDLK_PRINTSCREEN:
            return 0x2C;
        case SDLK_INSERT:
            return vk::Insert;
        case SDLK_DELETE:
            return vk::Delete;
        case SDLK_HELP:
            return vk::Help;
        case SDLK_LGUI:
            return 0x5B;
        case SDLK_RGUI:
            return 0x5C;
        case SDLK_APPLICATION:
            return 0x5D;
        case SDLK_KP_0:
            return vk::Numpad0;
        case SDLK_KP_MULTIPLY:
            return vk::Multiply;
        case SDLK_KP_PLUS:
            return vk::Add;
        case SDLK_KP_MINUS:
            return vk::Subtract;
        case SDLK_KP_PERIOD:
            return vk::Decimal;
        case SDLK_KP_DIVIDE:
            return vk::Divide;
        case SDLK_NUMLOCKCLEAR:
            return 0x90;
        case SDLK_SCROLLLOCK:
            return 0x91;
        case SDLK_SEMICOLON:
            return vk::Oem1;
        case SDLK_EQUALS:
        case SDLK_PLUS:
            return vk::OemPlus;
        case SDLK_COMMA:
            return vk::OemComma;
        case SDLK_MINUS:
            return vk::OemMinus;
        case SDLK_PERIOD:
            return vk::OemPeriod;
        case SDLK_SLASH:
            return vk::Oem2;
        case SDLK_BACKQUOTE:
            return 0xC0;
        case SDLK_LEFTBRACKET:
            return 0xDB;
        case SDLK_BACKSLASH:
            return 0xDC;
        case SDLK_RIGHTBRACKET:
            return 0xDD;
        case SDLK_QUOTE:
            return 0xDE;
        default:
            return 0;
    }
}

uint32_t controlCharFor(int32_t k, bool ctrl, bool alt) {
    switch (k) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_RETURN2:
            return 13;
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_ESCAPE:
            return 27;
        default:
            break;
    }
    // Ctrl+Alt is AltGr on many layouts: what it types arrives as text input.
    if (ctrl && !alt && k >= SDLK_a && k <= SDLK_z) return uint32_t(1 + (k - SDLK_a));
    return 0;
}

bool textFromKeys(bool ctrl, bool alt) {
    return !(ctrl && !alt);
}

namespace {

// Length of the valid UTF-8 sequence starting at i, or 0 when the bytes there are not one.
size_t utf8SequenceAt(std::string_view s, size_t i, uint32_t& cp) {
    const auto b = [&](size_t j) { return uint8_t(s[j]); };
    const uint8_t c = b(i);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t len = 0;
    uint32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t j = 1; j < len; ++j) {
        if ((b(i + j) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + j) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::vector<uint32_t> decodeUtf8(std::string_view text) {
    std::vector<uint32_t> out;
    size_t i = 0;
    while (i < text.size()) {
        uint32_t cp = 0;
        size_t len = utf8SequenceAt(text, i, cp);
        if (len == 0) {
            out.push_back(uint8_t(text[i]));
            ++i;
        } else {
            out.push_back(cp);
            i += len;
        }
    }
    return out;
}

std::string toUtf8(std::string_view text) {
    size_t i = 0;
    bool valid = true;
    while (i < text.size() && valid) {
        uint32_t cp = 0;
        size_t len = utf8SequenceAt(text, i, cp);
        valid = len != 0;
        i += len;
    }
    if (valid) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) appendUtf8(out, uint8_t(c));
    return out;
}

}  // namespace korel::desktop
