#include "core/text/float_format.h"

#include "core/text/general_float.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Digits of a positive finite double, rounded half away from zero.
// The value is 0.digits x 10^point (digits has no leading zero, except that
// a value which rounds to nothing has empty digits).
struct Rounded {
    std::string digits;
    int point = 0;
};

// Prints ax with `prec` digits after the first one; fills mantissa digits
// and the decimal exponent of the leading digit.
void PrintDigits(double ax, int prec, std::string& mant, int& exp10) {
    std::vector<char> buf(static_cast<std::size_t>(prec) + 40);
    std::snprintf(buf.data(), buf.size(), "%.*e", prec, ax);
    mant.clear();
    const char* p = buf.data();
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mant.push_back(*p);
    exp10 = (*p == 'e') ? std::atoi(p + 1) : 0;
}

// The digits of a double are exact after at most 767 significant places.
constexpr int kExactPrecision = 800;
// Guard digits printed beyond the last kept one; only an apparent exact tie
// needs the full expansion.
constexpr int kGuard = 24;

// keepOf(e) is the number of significant digits to keep when the leading
// digit has decimal exponent e.
template <typename KeepOf>
Rounded RoundHalfAway(double ax, KeepOf keepOf) {
    std::string mant;
    int e = 0;
    int prec = 40;
    PrintDigits(ax, prec, mant, e);
    int keep = keepOf(e);
    if (keep + kGuard > prec) {
        prec = std::min(keep + kGuard, kExactPrecision);
        PrintDigits(ax, prec, mant, e);
        keep = keepOf(e);
    }
    Rounded r;
    if (keep < 0) return r;  // below half a unit of the last place
    keep = std::min<int>(keep, static_cast<int>(mant.size()));
    bool up = false;
    if (keep < static_cast<int>(mant.size())) {
        bool tieLooking = mant[keep] == '5' &&
                          mant.find_first_not_of('0', keep + 1) == std::string::npos;
        if (tieLooking && prec < kExactPrecision) {
            // printf may have rounded 4999... up to 5000...: look at it exactly.
            PrintDigits(ax, kExactPrecision, mant, e);
        }
        up = mant[keep] >= '5';
    }
    r.digits = mant.substr(0, keep);
    r.point = e + 1;
    if (up) {
        int i = keep - 1;
        for (; i >= 0 && r.digits[i] == '9'; --i) r.digits[i] = '0';
        if (i >= 0) {
            ++r.digits[i];
        } else {
            r.digits.insert(r.digits.begin(), '1');
            ++r.point;
        }
    }
    return r;
}

// round(ax * 10^decimals) as a decimal integer text without leading zeros
// ("" for zero).
std::string RoundFixed(double ax, int decimals) {
    if (ax == 0) return {};
    Rounded r = RoundHalfAway(ax, [decimals](int e) { return e + 1 + decimals; });
    return r.digits;
}

// Exactly nsig significant digits; a zero value gives zeros and point 1.
Rounded RoundSignificant(double ax, int nsig) {
    if (ax == 0) return Rounded{std::string(nsig, '0'), 1};
    Rounded r = RoundHalfAway(ax, [nsig](int) { return nsig; });
    if (static_cast<int>(r.digits.size()) > nsig) r.digits.resize(nsig);  // carry 99.. -> 100..
    return r;
}

std::string NonFinite(double x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

std::string ExponentText(int exp10, bool alwaysSign, int minDigits) {
    std::string s;
    if (exp10 < 0) s = "-";
    else if (alwaysSign) s = "+";
    std::string d = std::to_string(std::abs(exp10));
    if (static_cast<int>(d.size()) < minDigits) d.insert(0, minDigits - d.size(), '0');
    return s + d;
}

void StripTrailingZeros(std::string& s, std::size_t keepAtLeast) {
    while (s.size() > keepAtLeast && s.back() == '0') s.pop_back();
}

// ---- pictures -------------------------------------------------------------

enum class Kind { Zero, Hash, Point, Comma, Exp, Literal };

struct Element {
    Kind kind;
    std::string text;  // literal text
};

struct Section {
    std::vector<Element> elems;
    int intPlaces = 0;   // "0"/"#" before the point
    int minInt = 0;      // from the first "0" before the point on
    int fracPlaces = 0;  // "0"/"#" after the point
    int minFrac = 0;     // up to the last "0" after the point
    bool grouping = false;
    bool scientific = false;
    char expChar = 'E';
    bool expAlwaysSign = true;
    int expDigits = 0;
};

std::vector<std::string_view> SplitSections(std::string_view picture) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.push_back(picture.substr(start, i - start));
            start = i + 1;
            if (out.size() == 2) break;  // the zero section takes the rest
        }
    }
    out.push_back(picture.substr(start));
    return out;
}

Section ParseSection(std::string_view s) {
    Section sec;
    bool afterPoint = false;
    auto literal = [&sec](std::string_view t) {
        if (!sec.elems.empty() && sec.elems.back().kind == Kind::Literal)
            sec.elems.back().text.append(t);
        else
            sec.elems.push_back({Kind::Literal, std::string(t)});
    };
    int firstZeroInt = -1;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            std::size_t close = s.find(c, i + 1);
            if (close == std::string_view::npos) close = s.size();
            literal(s.substr(i + 1, close - i - 1));
            i = close;
        } else if ((c == '0' || c == '#') && !sec.scientific) {
            sec.elems.push_back({c == '0' ? Kind::Zero : Kind::Hash, {}});
            if (afterPoint) {
                ++sec.fracPlaces;
                if (c == '0') sec.minFrac = sec.fracPlaces;
            } else {
                if (c == '0' && firstZeroInt < 0) firstZeroInt = sec.intPlaces;
                ++sec.intPlaces;
            }
        } else if (c == '.' && !afterPoint && !sec.scientific) {
            afterPoint = true;
            sec.elems.push_back({Kind::Point, {}});
        } else if (c == ',' && !afterPoint && !sec.scientific) {
            sec.grouping = true;
        } else if ((c == 'E' || c == 'e') && !sec.scientific && i + 1 < s.size() &&
                   (s[i + 1] == '+' || s[i + 1] == '-')) {
            sec.scientific = true;
            sec.expChar = c;
            sec.expAlwaysSign = s[i + 1] == '+';
            i += 1;
            while (i + 1 < s.size() && s[i + 1] == '0') {
                ++i;
                sec.expDigits = std::min(sec.expDigits + 1, 4);
            }
            sec.elems.push_back({Kind::Exp, {}});
        } else {
            literal(s.substr(i, 1));
        }
    }
    sec.minInt = firstZeroInt < 0 ? 0 : sec.intPlaces - firstZeroInt;
    return sec;
}

// Writes the section with the integer digits, fraction digits and exponent
// already decided.
std::string Emit(const Section& sec, std::string intStr, const std::string& frac, int exp10) {
    if (static_cast<int>(intStr.size()) < sec.minInt)
        intStr.insert(0, sec.minInt - intStr.size(), '0');
    const int L = static_cast<int>(intStr.size());
    const int excess = L - sec.intPlaces;
    std::string out;
    auto putInt = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            out.push_back(intStr[i]);
            int fromRight = L - 1 - i;
            if (sec.grouping && fromRight > 0 && fromRight % 3 == 0) out.push_back(',');
        }
    };
    int ip = 0, fp = 0;
    bool intWritten = sec.intPlaces > 0;
    for (const Element& el : sec.elems) {
        bool digitField = el.kind == Kind::Zero || el.kind == Kind::Hash ||
                          el.kind == Kind::Point || el.kind == Kind::Exp;
        if (!intWritten && digitField) {
            // No place before the point: the integer digits still show.
            putInt(0, L);
            intWritten = true;
        }
        switch (el.kind) {
        case Kind::Literal:
            out += el.text;
            break;
        case Kind::Comma:
            break;
        case Kind::Point:
            if (!frac.empty()) out.push_back('.');
            break;
        case Kind::Exp:
            out.push_back(sec.expChar);
            out += ExponentText(exp10, sec.expAlwaysSign, sec.expDigits);
            break;
        case Kind::Zero:
        case Kind::Hash:
            if (ip < sec.intPlaces) {
                if (ip == 0) putInt(0, std::max(0, excess + 1));
                else if (excess + ip >= 0) putInt(excess + ip, excess + ip + 1);
                ++ip;
            } else {
                if (fp < static_cast<int>(frac.size())) out.push_back(frac[fp]);
                ++fp;
            }
            break;
        }
    }
    return out;
}

struct Prepared {
    bool zero = false;
    std::string intStr, frac;
    int exp10 = 0;
};

Prepared Prepare(const Section& sec, double ax) {
    Prepared p;
    if (sec.scientific) {
        int places = std::max(sec.intPlaces, 1);
        Rounded r = RoundSignificant(ax, places + sec.fracPlaces);
        p.zero = ax == 0;
        if (p.zero) {
            p.intStr = "0";
            p.frac = std::string(sec.fracPlaces, '0');
        } else {
            p.intStr = r.digits.substr(0, places);
            p.frac = r.digits.substr(places);
            p.exp10 = r.point - places;
        }
    } else {
        std::string n = RoundFixed(ax, sec.fracPlaces);
        p.zero = n.empty();
        if (static_cast<int>(n.size()) < sec.fracPlaces) n.insert(0, sec.fracPlaces - n.size(), '0');
        p.intStr = n.substr(0, n.size() - sec.fracPlaces);
        p.frac = n.substr(n.size() - sec.fracPlaces);
    }
    StripTrailingZeros(p.frac, static_cast<std::size_t>(sec.minFrac));
    return p;
}

}  // namespace

std::string FloatToStrGeneral(double x) {
    std::string s;
    AppendGeneralFloat(s, x);
    return s;
}

std::string FloatToStrF(double x, TFloatFormat format, int precision, int digits) {
    if (!std::isfinite(x)) return NonFinite(x);
    precision = std::clamp(precision, 1, 18);
    const double ax = std::fabs(x);
    const std::string sign = std::signbit(x) && x != 0 ? "-" : "";
    switch (format) {
    case TFloatFormat::ffExponent: {
        digits = std::clamp(digits, 0, 4);
        Rounded r = RoundSignificant(ax, precision);
        int e = ax == 0 ? 0 : r.point - 1;
        std::string s = sign + r.digits.substr(0, 1);
        if (precision > 1) s += "." + r.digits.substr(1);
        return s + "E" + ExponentText(e, true, digits);
    }
    case TFloatFormat::ffFixed: {
        digits = std::clamp(digits, 0, 18);
        if (ax >= 1e18 || (ax != 0 && std::floor(std::log10(ax)) + 1 > precision))
            return FloatToStrF(x, TFloatFormat::ffExponent, precision, 3);
        std::string n = RoundFixed(ax, digits);
        bool zero = n.empty();
        if (static_cast<int>(n.size()) <= digits) n.insert(0, digits + 1 - n.size(), '0');
        std::string s = (zero ? "" : sign) + n.substr(0, n.size() - digits);
        if (digits > 0) s += "." + n.substr(n.size() - digits);
        return s;
    }
    case TFloatFormat::ffGeneral:
        break;
    }
    if (ax == 0) return "0";
    Rounded r = RoundSignificant(ax, precision);
    std::string d = r.digits;
    StripTrailingZeros(d, 1);
    const int e = r.point - 1;
    if (e < -5 || e >= precision) {
        std::string s = sign + d.substr(0, 1);
        if (d.size() > 1) s += "." + d.substr(1);
        return s + "E" + ExponentText(e, false, 0);
    }
    if (e < 0) return sign + "0." + std::string(-e - 1, '0') + d;
    if (static_cast<int>(d.size()) <= e + 1) return sign + d + std::string(e + 1 - d.size(), '0');
    return sign + d.substr(0, e + 1) + "." + d.substr(e + 1);
}

std::string FormatFloat(std::string_view picture, double x) {
    if (!std::isfinite(x)) return NonFinite(x);
    if (picture.empty()) return FloatToStrGeneral(x);
    std::vector<std::string_view> texts = SplitSections(picture);
    const bool negative = x < 0;
    const double ax = std::fabs(x);
    const bool ownNegative = negative && texts.size() >= 2 && !texts[1].empty();
    std::string_view chosen = ownNegative ? texts[1] : texts[0];
    if (chosen.empty()) return FloatToStrGeneral(x);

    Section sec = ParseSection(chosen);
    if (!sec.scientific && ax >= 1e18) return FloatToStrGeneral(x);
    Prepared p = Prepare(sec, ax);
    if (p.zero) {
        // A value that rounds to zero is zero: no sign, zero section if any.
        if (texts.size() >= 3 && !texts[2].empty()) {
            Section zs = ParseSection(texts[2]);
            Prepared z = Prepare(zs, 0);
            return Emit(zs, z.intStr, z.frac, 0);
        }
        if (negative) {
            Section ps = ParseSection(texts[0]);
            Prepared z = Prepare(ps, 0);
            return Emit(ps, z.intStr, z.frac, 0);
        }
    }
    std::string body = Emit(sec, p.intStr, p.frac, p.exp10);
    return (negative && !ownNegative && !p.zero) ? "-" + body : body;
}
