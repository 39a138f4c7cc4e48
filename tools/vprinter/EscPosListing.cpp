#include "EscPosListing.h"

#include <cstdio>

namespace vornik::vprinter {

namespace {

constexpr std::uint8_t ESC = 0x1B, GS = 0x1D, DLE = 0x10, FS = 0x1C, LF = 0x0A;

std::string hex(std::uint8_t b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x", b);
    return buf;
}

struct Reader {
    const std::uint8_t* d;
    std::size_t n;
    std::size_t i = 0;
    bool has(std::size_t k) const { return i + k <= n; }
    std::uint8_t at(std::size_t k) const { return d[i + k]; }
};

const char* alignName(int n) {
    switch (n % 48) {
    case 0: return "left";
    case 1: return "centre";
    case 2: return "right";
    default: return "?";
    }
}

std::string sizeText(std::uint8_t n) {
    return "size width x" + std::to_string(((n >> 4) & 7) + 1) + " height x" + std::to_string((n & 7) + 1);
}

// Lists one command starting at r.i (a control byte) and advances past it.
std::string command(Reader& r) {
    const std::uint8_t b = r.at(0);
    auto need = [&](std::size_t k) { return r.has(k); };
    auto cut = [&]() {
        std::string s = "(incomplete command:";
        for (; r.i < r.n; ++r.i) s += " " + hex(r.d[r.i]);
        return s + ")";
    };
    if (b == LF) {
        r.i += 1;
        return "LF";
    }
    if (b == ESC) {
        if (!need(2)) return cut();
        const std::uint8_t c = r.at(1);
        switch (c) {
        case '@': r.i += 2; return "ESC @            initialise";
        case 'E': if (!need(3)) return cut(); r.i += 3; return std::string("ESC E ") + std::to_string(r.d[r.i - 1]) + "          bold " + (r.d[r.i - 1] & 1 ? "on" : "off");
        case '-': if (!need(3)) return cut(); r.i += 3; return "ESC - " + std::to_string(r.d[r.i - 1]) + "          underline " + std::to_string(r.d[r.i - 1] % 48);
        case 'a': if (!need(3)) return cut(); r.i += 3; return "ESC a " + std::to_string(r.d[r.i - 1]) + "          align " + alignName(r.d[r.i - 1]);
        case '!': if (!need(3)) return cut(); r.i += 3; return "ESC ! " + hex(r.d[r.i - 1]) + "         print mode";
        case 'd': if (!need(3)) return cut(); r.i += 3; return "ESC d " + std::to_string(r.d[r.i - 1]) + "          feed lines";
        case 'J': if (!need(3)) return cut(); r.i += 3; return "ESC J " + std::to_string(r.d[r.i - 1]) + "          feed dots";
        case 't': if (!need(3)) return cut(); r.i += 3; return "ESC t " + std::to_string(r.d[r.i - 1]) + "          code table";
        case 'M': if (!need(3)) return cut(); r.i += 3; return "ESC M " + std::to_string(r.d[r.i - 1]) + "          font";
        case '{': if (!need(3)) return cut(); r.i += 3; return "ESC { " + std::to_string(r.d[r.i - 1]) + "          upside down";
        case 'V': if (!need(3)) return cut(); r.i += 3; return "ESC V " + std::to_string(r.d[r.i - 1]) + "          rotate 90";
        case '=': if (!need(3)) return cut(); r.i += 3; return "ESC = " + std::to_string(r.d[r.i - 1]) + "          select peripheral";
        case '9': if (!need(3)) return cut(); r.i += 3; return "ESC 9 " + std::to_string(r.d[r.i - 1]) + "          double-byte code system";
        case 'G': if (!need(3)) return cut(); r.i += 3; return std::string("ESC G ") + std::to_string(r.d[r.i - 1]) + "          double strike (bold) " + (r.d[r.i - 1] & 1 ? "on" : "off");
        case 'i': r.i += 2; return "ESC i            full cut";
        case 'm': r.i += 2; return "ESC m            partial cut";
        case 'L': r.i += 2; return "ESC L            page mode";
        case 'S': r.i += 2; return "ESC S            standard mode";
        case 'T': if (!need(3)) return cut(); r.i += 3; return "ESC T " + std::to_string(r.d[r.i - 1]) + "         page direction";
        case 'W':
            if (!need(10)) return cut();
            r.i += 10;
            return "ESC W            page area " + std::to_string(r.d[r.i - 8] | (r.d[r.i - 7] << 8)) + "," +
                   std::to_string(r.d[r.i - 6] | (r.d[r.i - 5] << 8)) + " " +
                   std::to_string(r.d[r.i - 4] | (r.d[r.i - 3] << 8)) + "x" +
                   std::to_string(r.d[r.i - 2] | (r.d[r.i - 1] << 8));
        case 'p':
            if (!need(5)) return cut();
            r.i += 5;
            return "ESC p " + std::to_string(r.d[r.i - 3]) + " " + std::to_string(r.d[r.i - 2]) + " " +
                   std::to_string(r.d[r.i - 1]) + "    drawer kick";
        default: r.i += 2; return "ESC " + hex(c);
        }
    }
    if (b == GS) {
        if (!need(2)) return cut();
        const std::uint8_t c = r.at(1);
        switch (c) {
        case '!': if (!need(3)) return cut(); r.i += 3; return "GS ! " + hex(r.d[r.i - 1]) + "          " + sizeText(r.d[r.i - 1]);
        case 'V':
            if (!need(3)) return cut();
            if (r.at(2) >= 65) {
                if (!need(4)) return cut();
                r.i += 4;
                return "GS V " + std::to_string(r.d[r.i - 2]) + " " + std::to_string(r.d[r.i - 1]) + "        feed and cut";
            }
            r.i += 3;
            return "GS V " + std::to_string(r.d[r.i - 1]) + "           cut" + ((r.d[r.i - 1] & 1) ? " (partial)" : "");
        case 'v': {
            if (!need(8) || r.at(2) != '0') return cut();
            std::size_t w = r.at(4) | (r.at(5) << 8), h = r.at(6) | (r.at(7) << 8);
            if (!need(8 + w * h)) return cut();
            r.i += 8 + w * h;
            return "GS v 0           raster image " + std::to_string(w * 8) + " x " + std::to_string(h) + " dots";
        }
        case 'k': {
            if (!need(3)) return cut();
            std::uint8_t m = r.at(2);
            std::size_t start = r.i + 3, end = start;
            if (m <= 6) {
                while (end < r.n && r.d[end] != 0) ++end;
                if (end >= r.n) return cut();
                r.i = end + 1;
            } else {
                if (!need(4)) return cut();
                start = r.i + 4;
                end = start + r.at(3);
                if (end > r.n) return cut();
                r.i = end;
            }
            return "GS k " + std::to_string(m) + "           bar code \"" + std::string(r.d + start, r.d + end) + "\"";
        }
        case '(': {
            if (!need(5)) return cut();
            std::size_t len = r.at(3) | (r.at(4) << 8);
            if (!need(5 + len)) return cut();
            std::string s = "GS ( " + std::string(1, static_cast<char>(r.at(2))) + " (" + std::to_string(len) + " bytes)";
            r.i += 5 + len;
            return s;
        }
        case 'L':
            if (!need(4)) return cut();
            r.i += 4;
            return "GS L " + std::to_string(r.d[r.i - 2] | (r.d[r.i - 1] << 8)) + "           left margin";
        case 'h': case 'w': case 'H': case 'f': case 'W': case 'B': case 'a': case 'r': case 'I':
            if (!need(3)) return cut();
            r.i += 3;
            return std::string("GS ") + static_cast<char>(c) + " " + std::to_string(r.d[r.i - 1]);
        default: r.i += 2; return "GS " + hex(c);
        }
    }
    if (b == DLE) {
        if (!need(3)) return cut();
        if (r.at(1) == 0x04) {
            r.i += 3;
            return "DLE EOT " + std::to_string(r.d[r.i - 1]) + "        status request";
        }
        r.i += 1;
        return "DLE";
    }
    r.i += 1;
    return "(byte " + hex(b) + ")";
}

}  // namespace

std::vector<std::string> listEscPos(const std::uint8_t* data, std::size_t length) {
    std::vector<std::string> lines;
    Reader r{data, length};
    while (r.i < r.n) {
        const std::uint8_t b = r.at(0);
        if (b >= 0x20 && b != 0x7F) {
            std::string text;
            while (r.i < r.n && r.d[r.i] >= 0x20 && r.d[r.i] != 0x7F) text += static_cast<char>(r.d[r.i++]);
            lines.push_back("\"" + text + "\"");
        } else if (b == ESC || b == GS || b == DLE || b == LF) {
            lines.push_back(command(r));
        } else if (b == FS) {
            if (r.i + 1 < r.n && r.d[r.i + 1] == '.') {
                r.i += 2;
                lines.push_back("FS .             double-byte characters off");
            } else if (r.i + 1 < r.n && r.d[r.i + 1] == '&') {
                r.i += 2;
                lines.push_back("FS &             double-byte characters on");
            } else if (r.i + 2 < r.n && r.d[r.i + 1] == '3') {
                lines.push_back("FS 3 " + std::to_string(r.d[r.i + 2]));
                r.i += 3;
            } else {
                r.i += 1;
                lines.push_back("FS");
            }
        } else {
            r.i += 1;
            lines.push_back("(byte " + hex(b) + ")");
        }
    }
    return lines;
}

std::string hexDump(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += hex(data[i]);
        out += (i % 16 == 15 || i + 1 == data.size()) ? "\n" : " ";
    }
    return out;
}

}  // namespace vornik::vprinter
