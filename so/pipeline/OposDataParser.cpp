#include "OposDataParser.h"

#include "Cmd.h"
#include "StoredImages.h"
#include "infra/DriverLog.h"
#include "infra/Errors.h"
#include "infra/Text.h"
#include "platform/CodePages.h"

#include <climits>
#include <cmath>
#include <vector>

namespace vornik::so {

namespace {

const char kPrinterTag[] = "ZoriraRIdirOzereza";
const char kFeedTag[] = "RUZIdovAzuviru";
const char kNegativeFeed[] = "FreeCmd\xA3\xBAInvalid Data";
constexpr int kIllegal = 106;
constexpr int kUnsupported = 111;

inline bool isCapital(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

void log(int level, const char* tag, const std::string& text) {
    if (level <= g_fileLog.verbosity()) g_fileLog.Log(level, tag, text);
}

// The parts of one sequence body.
struct Body {
    std::string_view all;  // the body, terminator included
    char T = 0;            // terminator
    char Q = 0;            // the character before T (0 when none)
    std::string_view P;    // without T
    std::string_view PQ;   // without T and Q
    explicit Body(std::string_view b) : all(b) {
        T = b.back();
        Q = b.size() >= 2 ? b[b.size() - 2] : 0;
        P = b.substr(0, b.size() - 1);
        PQ = b.size() >= 2 ? b.substr(0, b.size() - 2) : std::string_view();
    }
    // The character before Q (0 when none).
    char beforeQ() const { return all.size() >= 3 ? all[all.size() - 3] : 0; }
};

// Appends a count of size-limited commands: count / 254 times unit(254), then unit(count mod 254).
template <typename Unit>
void repeatFeed(long long count, Unit unit) {
    for (long long i = 0; i < count / 254; ++i) unit(254);
    if (count % 254 > 0) unit(static_cast<int>(count % 254));
}

}  // namespace

int LeadingNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

std::u16string WidenAnsiBytes(std::string_view bytes) {
    std::u16string wide = platform::codePageToUtf16Lossless(bytes, platform::systemAnsiCodePage());
    wide.resize(bytes.size(), u'\0');  // decoded characters are never more than the bytes
    return wide;
}

std::string NarrowToAnsiBytes(std::u16string_view text) {
    std::string bytes = platform::utf16ToCodePageLossless(text, platform::systemAnsiCodePage());
    bytes.resize(text.size(), '\0');
    return bytes;
}

int OposDataParser::FeedDotsFor(int k) const {
    double dots;
    switch (m_mapMode) {
    case 1:
        log(5, kFeedTag, " Feed PTR_MM_DOTS");
        return k;
    case 2:
        log(5, kFeedTag, " Feed PTR_MM_TWIPS");
        dots = 8.0 * k * 25.4 / 1440;
        break;
    case 3:
        log(5, kFeedTag, " Feed inch");
        dots = 8.0 * k * 25.4 * 0.001;
        break;
    default:
        log(5, kFeedTag, " Feed millimeter");
        dots = k * 0.01 * 8;
        break;
    }
    dots = std::trunc(dots);
    return dots > INT_MAX ? INT_MAX : dots < INT_MIN ? INT_MIN : static_cast<int>(dots);
}

void OposDataParser::ResetStyles(Cmd& out) {
    if (bold) {
        out.SetDoubleStrike(0);
        bold = 0;
    }
    if (underline) {
        out.SetUnderline(0);
        underline = 0;
    }
    if (size || widthScale || heightScale) {
        out.SetCharacterSize(0);
        size = widthScale = heightScale = 0;
    }
    if (alignmentSet) {
        out.SetJustification(0);
        alignmentSet = 0;
    }
}

int OposDataParser::OposCmdAndDataParing(std::u16string_view text, Cmd& out) {
    const std::string data = NarrowToAnsiBytes(text);
    const std::size_t n = data.size();
    log(4, kPrinterTag, ">>>OposCmdAndDataParing");
    log(5, kPrinterTag, " PrintNormal data Len " + NumToString(static_cast<int>(n)));
    log(5, kPrinterTag, " PrintNormal data Len " + NumToString(static_cast<int>(text.size())));
    ResetStyles(out);

    int total = 0;
    std::size_t runStart = 0, i = 0;
    auto flushRun = [&](std::size_t end) {
        if (end > runStart) {
            out.Append(data.data() + runStart, static_cast<int>(end - runStart));
            total += static_cast<int>(end - runStart);
        }
    };
    while (i < n) {
        if (static_cast<unsigned char>(data[i]) != 0x1B) {
            ++i;
            continue;
        }
        log(6, kPrinterTag, " OposCmdAndDataParing");
        flushRun(i);
        if (i + 1 >= n || data[i + 1] != '|') return 0;
        const std::size_t bodyStart = i + 2;
        std::size_t end = bodyStart;
        while (end < n && !isCapital(static_cast<unsigned char>(data[end]))) ++end;
        if (end >= n) {  // unterminated: the rest is dropped
            runStart = i = n;
            break;
        }
        const std::size_t length = end - bodyStart + 1;
        if (length <= static_cast<std::size_t>(kMaxBodyLength))
            HandleEscapeSequence(data.data() + bodyStart, static_cast<int>(length), out);
        runStart = i = end + 1;
    }
    if (runStart < n) log(6, kPrinterTag, " PrintNormal dataIndex2");
    flushRun(n);
    log(4, kPrinterTag, "<<<OposCmdAndDataParing");
    return total;
}

int OposDataParser::HandleEscapeSequence(const char* body, int length, Cmd& out) {
    if (!body || length < 1) throw OposError(msg::kInvalidInstruction);
    const Body b(std::string_view(body, static_cast<std::size_t>(length)));
    switch (b.T) {
    case 'A':
        if (b.all[0] == 'c') {
            out.SetJustification(1);
            alignment = 1;
            alignmentSet = 1;
        } else if (b.all[0] == 'l') {
            out.SetJustification(0);
            alignment = 0;
            alignmentSet = 0;
        } else if (b.all[0] == 'r') {
            out.SetJustification(2);
            alignment = 2;
            alignmentSet = 1;
        }
        break;
    case 'B': {
        const int k = LeadingNumber(b.P);
        std::vector<std::uint8_t> bytes;
        if (k >= 1 && k <= kStoredBitmapCount && CopyBitmapEntry(g_storedBitmaps, k - 1, bytes))
            out.Append(bytes.data(), static_cast<int>(bytes.size()));
        break;
    }
    case 'C':
        if (b.all.size() < 2) break;
        switch (b.Q) {
        case '1': out.SetCharacterSize(0x00); size = 0; break;
        case '2': out.SetCharacterSize(0x10); size = 1; break;
        case '3': out.SetCharacterSize(0x01); size = 1; break;
        case '4': out.SetCharacterSize(0x11); size = 1; break;
        case 'b':
            if (startsWith(b.all, "!t") || startsWith(b.all, "t")) break;
            if (startsWith(b.all, "!")) {
                out.SetDoubleStrike(0);
                bold = 0;
            } else {
                out.SetDoubleStrike(1);
                bold = 1;
            }
            break;
        case 'h': {
            const long long k = LeadingNumber(b.PQ);
            out.SetCharacterSize(static_cast<int>(((k - 1 > 0 ? k - 1 : 0) * 16) % 256));
            widthScale = 1;
            break;
        }
        case 'i': italic = 0; break;
        case 'u':
            if (startsWith(b.all, "!")) {
                out.SetUnderline(0);
                underline = 0;
            } else {
                int k = LeadingNumber(b.PQ);
                out.SetUnderline(k == 0 ? 1 : k);
                underline = 1;
            }
            break;
        case 'v':
            if (b.all.size() >= 3 && b.beforeQ() != 'r') {
                const long long k = LeadingNumber(b.PQ);
                out.SetCharacterSize(static_cast<int>((k - 1 > 0 ? k - 1 : 0) % 16));
                heightScale = 1;
            }
            break;
        default: break;
        }
        break;
    case 'F':
        if (b.all.size() < 2) break;
        if (b.Q == 'l') {
            int k = LeadingNumber(b.PQ);
            if (k == 0) k = 1;
            log(5, kFeedTag, " Feed" + NumToString(k));
            if (k < 0) throw OposError(kNegativeFeed);
            repeatFeed(k, [&](int v) { out.FeedLines(v); });
        } else if (b.Q == 'u') {
            const int d = FeedDotsFor(LeadingNumber(b.PQ));
            if (d < 0) throw OposError(kNegativeFeed);
            repeatFeed(d, [&](int v) { out.FeedDots(v); });
        }
        break;
    case 'L':
        if (b.Q == 't') g_topLogoRequested.store(1);
        else if (b.Q == 'b') g_bottomLogoRequested.store(1);
        break;
    case 'N':
        out.FeedDots(0);
        out.SetCharacterSize(0);
        break;
    case 'P':
        if (b.all.size() < 2) break;
        if (isDigit(b.Q)) {
            if (LeadingNumber(b.P) == 100) out.FullCut();
            else out.PartialCut();
        } else if (b.Q == 'f' || b.Q == 's') {
            out.FeedNewLines(LeadingNumber(b.PQ));
            out.FullCut();
        }
        break;
    case 'T':
        out.SelectFont(LeadingNumber(b.PQ));
        break;
    default: break;
    }
    return 0;
}

int OposDataParser::ValidateOposData(std::u16string_view text) {
    const std::string data = NarrowToAnsiBytes(text);
    const std::size_t n = data.size();
    log(5, kFeedTag, " PrintNormal data Len" + NumToString(static_cast<int>(n)));
    for (std::size_t i = 0; i < n;) {
        if (static_cast<unsigned char>(data[i]) != 0x1B) {
            ++i;
            continue;
        }
        if (i + 1 >= n || data[i + 1] != '|') return kUnsupported;
        const std::size_t bodyStart = i + 2;
        std::size_t end = bodyStart;
        while (end < n && !isCapital(static_cast<unsigned char>(data[end]))) ++end;
        if (end >= n) return 0;  // unterminated: the rest is not validated
        const std::size_t length = end - bodyStart + 1;
        if (length > static_cast<std::size_t>(kMaxBodyLength)) return kUnsupported;
        if (int rc = ValidateEscapeSequence(data.data() + bodyStart, static_cast<int>(length)); rc != 0) return rc;
        i = end + 1;
    }
    return 0;
}

int OposDataParser::ValidateEscapeSequence(const char* body, int length) {
    if (!body || length < 1) throw OposError(msg::kInvalidInstruction);
    const Body b(std::string_view(body, static_cast<std::size_t>(length)));
    const std::size_t len = b.all.size();
    auto sizeFactorOk = [](long long k) { return (k - 1 > 0 ? k - 1 : 0) <= 7; };
    switch (b.T) {
    case 'A': return 0;
    case 'B': {
        const int k = LeadingNumber(b.P);
        std::vector<std::uint8_t> bytes;
        return (k >= 1 && k <= kStoredBitmapCount && CopyBitmapEntry(g_storedBitmaps, k - 1, bytes)) ? 0 : kIllegal;
    }
    case 'C':
        if (len < 2) return 0;
        switch (b.Q) {
        case '1': case '2': case '3': case '4': return len == 2 ? 0 : kUnsupported;
        case 'b': return (startsWith(b.all, "!t") || startsWith(b.all, "t")) ? kUnsupported : 0;
        case 'f': case 'i': case 'p': case 'r': case 's': return kUnsupported;
        case 'h': return sizeFactorOk(LeadingNumber(b.PQ)) ? 0 : kIllegal;
        case 'u': {
            if (startsWith(b.all, "!")) return 0;
            int k = LeadingNumber(b.PQ);
            if (k == 0) k = 1;
            return k <= 2 ? 0 : kIllegal;
        }
        case 'v':
            if (len < 3) return 0;
            if (b.beforeQ() == 'r') return kUnsupported;
            return sizeFactorOk(LeadingNumber(b.PQ)) ? 0 : kIllegal;
        default: return 0;
        }
    case 'F':
        if (len < 2) return 0;
        if (b.Q == 'l') {
            int k = LeadingNumber(b.PQ);
            if (k == 0) k = 1;
            log(5, kFeedTag, " Feed" + NumToString(k));
            return k >= 0 ? 0 : kIllegal;
        }
        if (b.Q == 'r') return kUnsupported;
        if (b.Q == 'u') return FeedDotsFor(LeadingNumber(b.PQ)) >= 0 ? 0 : kIllegal;
        return 0;
    case 'N': return 0;
    case 'P':
        if (len < 2) return kUnsupported;
        if (isDigit(b.Q)) return LeadingNumber(b.P) <= 100 ? 0 : kIllegal;
        if (b.Q == 'f' || b.Q == 's') return LeadingNumber(b.PQ) <= 255 ? 0 : kIllegal;
        return 0;
    case 'T': return LeadingNumber(b.PQ) <= 1 ? 0 : kIllegal;
    default: return kUnsupported;  // D, E, G to M, O, Q to S, U to Z
    }
}

}  // namespace vornik::so
