#include "Resources/Effect/CMacroExpansionBound.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Steps of the estimate itself (tokens visited over all rounds); beyond it the effect is refused
// rather than estimated for long.
constexpr uint64_t MaxWork = 50'000'000;
// Bounds stop growing here, far above any limit, so that products stay finite.
constexpr double Saturation = 1e30;
// Calls nested in the arguments of calls, deeper than this, are refused rather than followed.
constexpr int MaxNesting = 200;

double Cap(double v) { return v < Saturation ? v : Saturation; }

struct Token {
    uint32_t begin = 0, length = 0;
    int line = 0;
    bool lineStart = false; // first token of a logical line
    bool identifier = false;
};

// Tokens with, for each "(", the index of its ")" (-1 when it is never closed).
struct TokenList {
    std::vector<Token> tokens;
    std::vector<int32_t> closing;
};

// The size of an expansion as a + b * s, where s is the size of the arguments of the macro being
// expanded (0 outside a function-like macro's body), and what the preprocessor may still do with it.
struct Bound {
    double a = 0, b = 0;
    double open = 0;       // a call left open inside: what follows counts (1 + open) times
    bool leading = false;  // it may start with "("
    bool callable = false; // it may end in a function-like macro's name, which a "(" after it calls
    // It may hold a function-like macro's name followed by a "(" that came from a later expansion, too
    // late for a call. Substituted into a macro's body as an argument and scanned again, it calls.
    bool primed = false;
    // As an argument, a name in it may be called once substituted into the body.
    bool Wild() const { return callable || primed; }
};

Bound Max(const Bound& x, const Bound& y) {
    return {std::max(x.a, y.a),     std::max(x.b, y.b),       std::max(x.open, y.open),
            x.leading || y.leading, x.callable || y.callable, x.primed || y.primed};
}

bool Greater(const Bound& x, const Bound& y) {
    return x.a > y.a || x.b > y.b || x.open > y.open || (x.leading && !y.leading) || (x.callable && !y.callable) ||
           (x.primed && !y.primed);
}

struct Definition {
    std::string_view name;
    int line = 0;
    bool function = false;
    std::unordered_set<std::string_view> params;
    TokenList body;
    Bound value;
    Bound wild; // a function-like macro's value for arguments whose names may be called in its body
};

struct Name {
    std::vector<size_t> definitions;
    bool hasObject = false, hasFunction = false;
    Bound object, function, functionWild;
    int visit = 0; // for ordering: 0 not seen, 1 on the path, 2 done
};

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void MatchParentheses(const std::string& text, TokenList& list) {
    list.closing.assign(list.tokens.size(), -1);
    std::vector<int32_t> open;
    for (size_t i = 0; i < list.tokens.size(); ++i) {
        const Token& t = list.tokens[i];
        if (t.length != 1)
            continue;
        if (text[t.begin] == '(') {
            open.push_back(static_cast<int32_t>(i));
        } else if (text[t.begin] == ')' && !open.empty()) {
            list.closing[static_cast<size_t>(open.back())] = static_cast<int32_t>(i);
            open.pop_back();
        }
    }
}

std::string MiB(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%g MiB", bytes / (1 << 20));
    return text;
}

// What the estimate adds up: the bytes of text, or the operators of each statement (a long chain of
// operators is a tree as deep as the chain in the compiler, which walks it by recursion).
enum class Measure { Bytes, Operators };

// Operators and the brackets of indexing: each may add a level to an expression's tree. Parentheses
// and commas do not count, so that tables of constructor calls are not refused for their length.
bool IsOperatorChar(char c) {
    switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '<':
    case '>':
    case '=':
    case '!':
    case '&':
    case '|':
    case '^':
    case '~':
    case '?':
    case ':':
    case '.':
    case '[':
        return true;
    default:
        return false;
    }
}

class Estimate {
public:
    Estimate(const std::string& effect, double limit, Measure measure) : text(effect), limit(limit), measure(measure) {
        // Effect directives are whole lines starting with '@'; the GLSL around them is what counts.
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            if (text[pos] == '@')
                std::fill(text.begin() + static_cast<std::ptrdiff_t>(pos),
                          text.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            pos = end + 1;
        }
    }

    bool Run(std::string& error);

private:
    bool Tokenise(std::vector<Token>& tokens, std::string& error);
    void Split(const std::vector<Token>& tokens);
    void AddDefinition(const std::vector<Token>& line);
    void Order(std::vector<Name*>& order);
    Bound Evaluate(const TokenList& list, size_t begin, size_t end, const Definition* owner, bool wildArguments,
                   int* overLine = nullptr);
    // A call of the function-like macro `name` (null: any of them) with `arguments`.
    Bound Call(const Name* name, const Bound& arguments) const;
    void EvaluateDefinition(Definition& d);
    void Aggregate(Name& name, bool replace);
    bool IsOpen(const TokenList& list, size_t i) const {
        return list.tokens[i].length == 1 && text[list.tokens[i].begin] == '(';
    }
    std::string_view View(const Token& t) const { return std::string_view(text).substr(t.begin, t.length); }
    Name* Find(std::string_view name) {
        auto found = names.find(name);
        return found == names.end() ? nullptr : &found->second;
    }

    // What one token, as written, adds to the measure.
    double Weight(const Token& t) const {
        if (measure == Measure::Bytes)
            return t.length + 1;
        return t.length == 1 && !t.identifier && IsOperatorChar(text[t.begin]) ? 1 : 0;
    }
    bool CheckStatements(std::string& error);

    std::string text;
    double limit;
    Measure measure;
    std::vector<Definition> definitions;
    std::unordered_map<std::string_view, Name> names;
    std::vector<std::string_view> nameOrder; // first definition order
    TokenList body;                          // everything outside #define lines
    Bound anyObject;
    Bound anyFunction, anyWild; // the largest function-like macro, for plain and for wild arguments
    bool hasFunctions = false;
    uint64_t work = 0;
    int nesting = 0;
    int tooDeepLine = 0; // where calls first nested deeper than MaxNesting
};

bool Estimate::Tokenise(std::vector<Token>& tokens, std::string& error) {
    const size_t n = text.size();
    size_t pos = 0;
    int line = 1;
    bool lineStart = true;
    double bytes = 0;
    while (pos < n) {
        const char c = text[pos];
        if (c == '\n') {
            ++line;
            lineStart = true;
            ++pos;
        } else if (c == '\\' && pos + 1 < n && text[pos + 1] == '\n') {
            pos += 2; // a continued line: the logical line goes on
            ++line;
        } else if (c == '\\' && pos + 2 < n && text[pos + 1] == '\r' && text[pos + 2] == '\n') {
            pos += 3;
            ++line;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++pos;
        } else if (c == '/' && pos + 1 < n && text[pos + 1] == '/') {
            while (pos < n && text[pos] != '\n')
                ++pos;
        } else if (c == '/' && pos + 1 < n && text[pos + 1] == '*') {
            // A comment is one space, even across lines: a #define goes on after it.
            pos += 2;
            while (pos < n && !(text[pos] == '*' && pos + 1 < n && text[pos + 1] == '/')) {
                if (text[pos] == '\n')
                    ++line;
                ++pos;
            }
            pos = std::min(n, pos + 2);
        } else {
            Token t;
            t.begin = static_cast<uint32_t>(pos);
            t.line = line;
            t.lineStart = lineStart;
            lineStart = false;
            size_t end = pos + 1;
            if (IsIdentifierStart(c)) {
                t.identifier = true;
                while (end < n && IsIdentifierChar(text[end]))
                    ++end;
            } else if (IsDigit(c) || (c == '.' && pos + 1 < n && IsDigit(text[pos + 1]))) {
                while (end < n &&
                       (IsIdentifierChar(text[end]) || text[end] == '.' ||
                        ((text[end] == '+' || text[end] == '-') && (text[end - 1] == 'e' || text[end - 1] == 'E' ||
                                                                    text[end - 1] == 'p' || text[end - 1] == 'P'))))
                    ++end;
            } else if (c == '#' && pos + 1 < n && text[pos + 1] == '#') {
                end = pos + 2;
            }
            t.length = static_cast<uint32_t>(end - pos);
            pos = end;
            bytes += t.length + 1;
            if (measure == Measure::Bytes && bytes > limit) {
                error = "line " + std::to_string(line) + ": the effect holds more than " + MiB(limit) + " of GLSL";
                return false;
            }
            tokens.push_back(t);
        }
    }
    return true;
}

void Estimate::AddDefinition(const std::vector<Token>& line) {
    // line: "#" "define" NAME [ "(" params ")" ] body...
    if (line.size() < 3 || !line[2].identifier)
        return; // the compiler reports it, and defines nothing
    Definition d;
    d.name = View(line[2]);
    d.line = line[2].line;
    size_t i = 3;
    const Token& name = line[2];
    if (i < line.size() && View(line[i]) == "(" && line[i].begin == name.begin + name.length) {
        d.function = true;
        ++i;
        bool closed = false;
        while (i < line.size()) {
            std::string_view w = View(line[i]);
            if (w == ")") {
                closed = true;
                ++i;
                break;
            }
            if (line[i].identifier) {
                d.params.insert(w);
            } else if (w == "." && i + 2 < line.size() && View(line[i + 1]) == "." && View(line[i + 2]) == ".") {
                d.params.insert("__VA_ARGS__");
                i += 2;
            } else if (w != ",") {
                return; // malformed: the compiler refuses it
            }
            ++i;
        }
        if (!closed)
            return;
    }
    d.body.tokens.assign(line.begin() + static_cast<std::ptrdiff_t>(i), line.end());
    MatchParentheses(text, d.body);
    // Until expanded, a macro counts as its own name.
    d.value.a = Weight(name);
    d.wild = d.value;
    Name& entry = names[d.name];
    if (entry.definitions.empty())
        nameOrder.push_back(d.name);
    entry.definitions.push_back(definitions.size());
    (d.function ? entry.hasFunction : entry.hasObject) = true;
    hasFunctions = hasFunctions || d.function;
    definitions.push_back(std::move(d));
    Aggregate(entry, false);
}

void Estimate::Split(const std::vector<Token>& tokens) {
    size_t i = 0;
    std::vector<Token> line;
    while (i < tokens.size()) {
        size_t end = i + 1;
        while (end < tokens.size() && !tokens[end].lineStart)
            ++end;
        const bool define = View(tokens[i]) == "#" && end - i >= 2 && View(tokens[i + 1]) == "define";
        if (define) {
            line.assign(tokens.begin() + static_cast<std::ptrdiff_t>(i),
                        tokens.begin() + static_cast<std::ptrdiff_t>(end));
            AddDefinition(line);
        } else {
            // Other directives count as text: #if and #line expand macros too.
            body.tokens.insert(body.tokens.end(), tokens.begin() + static_cast<std::ptrdiff_t>(i),
                               tokens.begin() + static_cast<std::ptrdiff_t>(end));
        }
        i = end;
    }
    MatchParentheses(text, body);
}

// Names after the names their bodies refer to, so that one round settles macros that do not refer to
// each other in a circle.
void Estimate::Order(std::vector<Name*>& order) {
    struct Frame {
        Name* name;
        size_t definition = 0, token = 0;
    };
    std::vector<Frame> stack;
    for (std::string_view root : nameOrder) {
        Name* start = Find(root);
        if (start->visit)
            continue;
        start->visit = 1;
        stack.push_back({start});
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.definition == f.name->definitions.size()) {
                f.name->visit = 2;
                order.push_back(f.name);
                stack.pop_back();
                continue;
            }
            const Definition& d = definitions[f.name->definitions[f.definition]];
            if (f.token == d.body.tokens.size()) {
                ++f.definition;
                f.token = 0;
                continue;
            }
            const Token& t = d.body.tokens[f.token++];
            Name* next = t.identifier ? Find(View(t)) : nullptr;
            if (next && !next->visit) {
                next->visit = 1;
                stack.push_back({next});
            }
        }
    }
}

Bound Estimate::Call(const Name* name, const Bound& arguments) const {
    const Bound& function =
        name ? (arguments.Wild() ? name->functionWild : name->function) : (arguments.Wild() ? anyWild : anyFunction);
    Bound r = function;
    r.a = Cap(function.a + function.b * arguments.a);
    r.b = Cap(function.b * arguments.b);
    return r;
}

Bound Estimate::Evaluate(const TokenList& list, size_t begin, size_t end, const Definition* owner, bool wildArguments,
                         int* overLine) {
    Bound result;
    if (nesting >= MaxNesting) {
        if (!tooDeepLine)
            tooDeepLine = begin < list.tokens.size() ? list.tokens[begin].line : 1;
        result.a = Saturation;
        return result;
    }
    struct Depth {
        int& n;
        explicit Depth(int& n) : n(n) { ++n; }
        ~Depth() { --n; }
    } depth(nesting);
    double times = 1; // after a call left open, what follows may be its arguments
    const bool anyFunctions = hasFunctions;
    bool afterCallable = false; // the piece before may end in a function-like macro's name
    size_t i = begin;
    // The arguments of a call from `open` ("(") to its ")", or to the end when it has none.
    auto arguments = [&](size_t open, size_t& next) {
        const int32_t close = list.closing[open];
        next = close >= 0 ? static_cast<size_t>(close) + 1 : end;
        return Evaluate(list, open + 1, close >= 0 ? static_cast<size_t>(close) : end, owner, wildArguments);
    };
    auto isParameter = [&](const Token& t) {
        return t.identifier && owner && owner->function && owner->params.count(View(t)) > 0;
    };
    while (i < end) {
        ++work;
        const Token& t = list.tokens[i];
        const std::string_view word = View(t);
        Bound piece;
        piece.a = Weight(t);
        piece.leading = word == "(";
        size_t next = i + 1;
        bool parameter = false;
        Name* name = nullptr;
        if (word == "##" || (next < end && View(list.tokens[next]) == "##")) {
            // "a ## b ## c" is one token, made of the operands as written, which may name any macro.
            piece.a = 0;
            for (size_t k = i; k < end; ++k) {
                const Token& operand = list.tokens[k];
                if (View(operand) != "##") {
                    if (isParameter(operand))
                        piece.b += 1;
                    else if (measure == Measure::Bytes)
                        piece.a += operand.length;
                }
                next = k + 1;
                const bool pasteFollows = next < end && View(list.tokens[next]) == "##";
                if (View(operand) != "##" && !pasteFollows)
                    break;
            }
            // The pasted token itself: its bytes and separator, or one operator it may form.
            piece.a = Cap((measure == Measure::Bytes ? piece.a + 1 : 1) + anyObject.a);
            piece.open = anyObject.open;
            piece.leading = true;
            piece.callable = anyFunctions;
        } else if (isParameter(t)) {
            parameter = true;
            piece.a = 0;
            piece.b = 1;
            piece.leading = true;
            if (wildArguments) {
                // Scanned again in the body, a name in the argument may call any function-like macro,
                // with arguments from the rest of the argument and beyond.
                piece.a = anyWild.a;
                piece.b = Cap(1 + anyWild.b);
                piece.open = Cap(anyWild.b + anyWild.open);
                piece.callable = piece.primed = true;
            }
        } else if (t.identifier && !(owner && owner->name == word) && (name = Find(word))) {
            // Within its own expansion a macro is not expanded again: the name above stays as it is.
            if (name->hasFunction && next < end && IsOpen(list, next)) {
                const Bound given = arguments(next, next);
                piece = Call(name, given);
                if (list.closing[i + 1] < 0) // the arguments run on past this text
                    piece.open = Cap((1 + piece.open) * (1 + name->functionWild.b) - 1);
                if (name->hasObject) {
                    // Another definition of the name is an object: the parenthesis stays as text.
                    Bound asObject = name->object;
                    asObject.a = Cap(asObject.a + given.a + 2);
                    asObject.b = Cap(asObject.b + given.b);
                    asObject.primed = asObject.primed || given.primed;
                    asObject.callable = given.callable;
                    if (name->object.callable) {
                        const Bound called = Call(nullptr, given);
                        asObject.a = Cap(asObject.a + called.a);
                        asObject.b = Cap(asObject.b + called.b);
                        asObject.open = std::max(asObject.open, called.open);
                        asObject.callable = asObject.primed = true;
                    }
                    piece = Max(piece, asObject);
                }
            } else if (name->hasObject) {
                piece = name->object;
            } else {
                piece.callable = true; // its "(" may come from what follows
            }
        }
        // An expansion that ends in a function-like macro's name calls it with the group that follows.
        if (piece.callable && anyFunctions && next < end && IsOpen(list, next)) {
            const size_t open = next;
            const Bound given = arguments(open, next);
            const Bound called = Call(nullptr, given);
            piece.a = Cap(piece.a + given.a + 2 + called.a);
            piece.b = Cap(piece.b + given.b + called.b);
            piece.open = std::max(piece.open, called.open);
            piece.callable = piece.primed = true;
            if (list.closing[open] < 0)
                piece.open = Cap((1 + piece.open) * (1 + anyWild.b) - 1);
        }
        if (afterCallable && piece.leading) {
            if (parameter) {
                // Substituted text is scanned as it is: a "(" at the start of the argument calls the
                // name before it, with arguments from here on.
                result.a = Cap(result.a + times * anyWild.a);
                times = Cap(times * (1 + anyWild.b + anyWild.open));
                piece.callable = piece.primed = true;
            } else {
                result.primed = true; // the "(" comes from an expansion: too late here
            }
        }
        if (i == begin)
            result.leading = piece.leading;
        result.a = Cap(result.a + times * piece.a);
        result.b = Cap(result.b + times * piece.b);
        result.callable = piece.callable;
        result.primed = result.primed || piece.primed;
        afterCallable = piece.callable;
        times = Cap(times * (1 + piece.open));
        if (overLine && *overLine == 0 && result.a > limit)
            *overLine = t.line;
        i = next;
    }
    result.open = Cap(times - 1);
    return result;
}

void Estimate::EvaluateDefinition(Definition& d) {
    d.value = Evaluate(d.body, 0, d.body.tokens.size(), &d, false);
    d.wild = d.function ? Max(d.value, Evaluate(d.body, 0, d.body.tokens.size(), &d, true)) : d.value;
}

// The name's bounds from its definitions; `replace` drops what they were (the stand-ins), otherwise they
// only grow.
void Estimate::Aggregate(Name& name, bool replace) {
    Bound object, function, wild;
    if (!replace) {
        object = name.object;
        function = name.function;
        wild = name.functionWild;
    }
    for (size_t index : name.definitions) {
        const Definition& d = definitions[index];
        if (d.function) {
            function = Max(function, d.value);
            wild = Max(wild, d.wild);
        } else {
            object = Max(object, d.value);
        }
    }
    name.object = object;
    name.function = function;
    name.functionWild = wild;
    if (name.hasObject)
        anyObject = Max(anyObject, object);
    if (name.hasFunction) {
        anyFunction = Max(anyFunction, function);
        anyWild = Max(anyWild, wild);
    }
}

bool Estimate::Run(std::string& error) {
    std::vector<Token> tokens;
    if (!Tokenise(tokens, error))
        return false;
    Split(tokens);
    tokens.clear();
    tokens.shrink_to_fit();

    std::vector<Name*> order;
    Order(order);
    uint64_t roundWork = 0;
    for (const Definition& d : definitions)
        roundWork += (d.body.tokens.size() + 1) * (d.function ? 2 : 1);
    // A nest of expansions holds each macro at most once, so as many rounds as there are names reach
    // every depth; most effects settle after two.
    const size_t rounds = names.size() + 1;
    for (size_t round = 0; round < rounds && !tooDeepLine; ++round) {
        if (work + roundWork > MaxWork) {
            error = "the effect's macros refer to each other too intricately to bound what they expand to";
            return false;
        }
        bool changed = false;
        for (Name* name : order) {
            if (round == 0) {
                // The first round replaces the stand-in (the name itself) by what the body makes of it:
                // exact for every macro outside a circle, which this order has evaluated already.
                for (size_t index : name->definitions)
                    EvaluateDefinition(definitions[index]);
                Aggregate(*name, true);
                changed = true;
                continue;
            }
            // Later rounds only grow, each a level deeper into macros that refer to each other.
            bool grew = false;
            for (size_t index : name->definitions) {
                Definition& d = definitions[index];
                const Bound value = d.value, wild = d.wild;
                EvaluateDefinition(d);
                d.value = Max(d.value, value);
                d.wild = Max(d.wild, wild);
                grew = grew || Greater(d.value, value) || Greater(d.wild, wild);
            }
            if (grew) {
                Aggregate(*name, false);
                changed = true;
            }
        }
        if (!changed)
            break;
    }

    if (tooDeepLine) {
        error = "line " + std::to_string(tooDeepLine) + ": macro calls nest more than " + std::to_string(MaxNesting) +
                " deep";
        return false;
    }
    if (measure == Measure::Operators)
        return CheckStatements(error);
    // The first definition in the file that could pass the limit; a function-like one with an argument
    // of one character.
    const Definition* worst = nullptr;
    for (const Definition& d : definitions) {
        const bool over = d.value.a > limit || (d.function && d.value.a + 2 * d.value.b > limit);
        if (over && (!worst || d.line < worst->line))
            worst = &d;
    }
    if (worst) {
        error = "line " + std::to_string(worst->line) + ": the macro '" + std::string(worst->name) +
                "' would expand to more than " + MiB(limit) + " of text";
        return false;
    }
    int overLine = 0;
    const Bound total = Evaluate(body, 0, body.tokens.size(), nullptr, false, &overLine);
    if (tooDeepLine) {
        error = "line " + std::to_string(tooDeepLine) + ": macro calls nest more than " + std::to_string(MaxNesting) +
                " deep";
        return false;
    }
    if (total.a > limit) {
        error = "line " + std::to_string(overLine) + ": with its macros expanded, the effect would come to more than " +
                MiB(limit) + " of text";
        return false;
    }
    return true;
}

// Each statement of the text outside the #defines on its own: split at ";", "{" and "}" outside
// parentheses (a "for" header is one statement), where a macro's operators count in full at each use.
bool Estimate::CheckStatements(std::string& error) {
    const size_t n = body.tokens.size();
    size_t begin = 0;
    int parentheses = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n) {
            const Token& t = body.tokens[i];
            const char c = t.length == 1 ? text[t.begin] : 0;
            if (c == '(')
                ++parentheses;
            else if (c == ')' && parentheses > 0)
                --parentheses;
            if (!((c == ';' || c == '{' || c == '}') && parentheses == 0))
                continue;
        }
        int overLine = 0;
        const Bound statement = Evaluate(body, begin, i, nullptr, false, &overLine);
        if (tooDeepLine) {
            error = "line " + std::to_string(tooDeepLine) + ": macro calls nest more than " +
                    std::to_string(MaxNesting) + " deep";
            return false;
        }
        if (statement.a > limit) {
            error = "line " + std::to_string(overLine) + ": a statement with more than " +
                    std::to_string(static_cast<int64_t>(limit)) +
                    " operators (its macros expanded), deeper than a graphics driver can compile";
            return false;
        }
        begin = i + 1;
    }
    return true;
}

} // namespace

bool CMacroExpansionBound::Check(const std::string& text, std::string& error, double limit, double operatorLimit) {
    Estimate bytes(text, limit, Measure::Bytes);
    if (!bytes.Run(error))
        return false;
    Estimate operators(text, operatorLimit, Measure::Operators);
    return operators.Run(error);
}
