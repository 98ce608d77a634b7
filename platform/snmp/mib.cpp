#include "platform/snmp/mib.h"

#include <cctype>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include "platform/snmp/ber.h"
#include "platform/snmp/error.h"

namespace platform::snmp {

namespace {

enum class Kind { Word, Number, Text, Symbol, End };

struct Token {
  Kind kind = Kind::End;
  std::string text;
  int line = 0;
};

class ParseError {
 public:
  ParseError(int line, std::string what) : line_(line), what_(std::move(what)) {}
  int line() const { return line_; }
  const std::string& what() const { return what_; }

 private:
  int line_;
  std::string what_;
};

bool isWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  int line = 1;
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      // A comment runs to the end of the line (what MIB files in the wild rely on).
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '"') {
      int startLine = line;
      std::string text;
      ++i;
      for (;;) {
        if (i >= s.size()) throw ParseError(startLine, "unterminated text");
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            text += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (s[i] == '\n') ++line;
        text += s[i++];
      }
      out.push_back({Kind::Text, std::move(text), startLine});
    } else if (c == '\'') {
      // Binary or hexadecimal string: '0101'B, '0A'H.
      std::size_t j = i + 1;
      while (j < s.size() && s[j] != '\'' && s[j] != '\n') ++j;
      if (j >= s.size() || s[j] != '\'') throw ParseError(line, "unterminated quoted string");
      ++j;
      if (j < s.size() && (s[j] == 'H' || s[j] == 'h' || s[j] == 'B' || s[j] == 'b')) ++j;
      out.push_back({Kind::Text, std::string(s.substr(i, j - i)), line});
      i = j;
    } else if (isDigit(c) || (c == '-' && i + 1 < s.size() && isDigit(s[i + 1]))) {
      std::size_t j = i + 1;
      while (j < s.size() && isDigit(s[j])) ++j;
      out.push_back({Kind::Number, std::string(s.substr(i, j - i)), line});
      i = j;
    } else if (isWordStart(c)) {
      std::size_t j = i + 1;
      while (j < s.size() && isWordChar(s[j])) {
        if (s[j] == '-' && j + 1 < s.size() && s[j + 1] == '-') break;  // "name--comment"
        ++j;
      }
      out.push_back({Kind::Word, std::string(s.substr(i, j - i)), line});
      i = j;
    } else if (c == ':' && s.substr(i, 3) == "::=") {
      out.push_back({Kind::Symbol, "::=", line});
      i += 3;
    } else if (c == '.' && i + 1 < s.size() && s[i + 1] == '.') {
      out.push_back({Kind::Symbol, "..", line});
      i += 2;
    } else if (std::string_view("{}(),;|[]<>.:=@!&^*+/").find(c) != std::string_view::npos) {
      out.push_back({Kind::Symbol, std::string(1, c), line});
      ++i;
    } else {
      throw ParseError(line, std::string("unexpected character '") +
                                 (std::isprint(static_cast<unsigned char>(c)) ? std::string(1, c) : "?") +
                                 "'");
    }
  }
  out.push_back({Kind::End, "", line});
  return out;
}

// Macros whose value is an object identifier.
const std::set<std::string, std::less<>> kOidMacros = {
    "OBJECT-TYPE",       "MODULE-IDENTITY",    "OBJECT-IDENTITY",   "OBJECT-GROUP",
    "NOTIFICATION-TYPE", "NOTIFICATION-GROUP", "MODULE-COMPLIANCE", "AGENT-CAPABILITIES"};

struct Definition {
  std::string name;
  std::string parent;
  std::vector<std::uint32_t> arcs;
  bool implied = false;  // named inside another value: never replaces a definition
};

struct ParsedModule {
  std::string name;
  std::vector<Definition> definitions;
};

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  std::vector<ParsedModule> parseFile() {
    std::vector<ParsedModule> modules;
    while (peek().kind != Kind::End) modules.push_back(parseModule());
    if (modules.empty()) throw ParseError(peek().line, "no module in the file");
    return modules;
  }

 private:
  const Token& peek(std::size_t ahead = 0) const {
    std::size_t k = std::min(p_ + ahead, t_.size() - 1);
    return t_[k];
  }
  const Token& next() {
    const Token& tok = t_[p_];
    if (p_ + 1 < t_.size()) ++p_;
    return tok;
  }
  bool isSymbol(const Token& tok, std::string_view s) const {
    return tok.kind == Kind::Symbol && tok.text == s;
  }
  bool isWord(const Token& tok, std::string_view s) const { return tok.kind == Kind::Word && tok.text == s; }
  void expectSymbol(std::string_view s) {
    const Token& tok = next();
    if (!isSymbol(tok, s)) throw ParseError(tok.line, "expected \"" + std::string(s) + "\"");
  }
  void expectWord(std::string_view s) {
    const Token& tok = next();
    if (!isWord(tok, s)) throw ParseError(tok.line, "expected " + std::string(s));
  }

  ParsedModule parseModule() {
    ParsedModule m;
    const Token& name = next();
    if (name.kind != Kind::Word) throw ParseError(name.line, "module name expected");
    m.name = name.text;
    // Optional module identifier: NAME { iso ... } DEFINITIONS
    if (isSymbol(peek(), "{")) skipBalanced();
    expectWord("DEFINITIONS");
    // Tag defaults: DEFINITIONS IMPLICIT TAGS ::= BEGIN
    while (peek().kind == Kind::Word && peek().text != "BEGIN" && !isSymbol(peek(), "::=")) next();
    expectSymbol("::=");
    expectWord("BEGIN");
    for (;;) {
      const Token& tok = peek();
      if (tok.kind == Kind::End) throw ParseError(tok.line, "module " + m.name + " has no END");
      if (isWord(tok, "END")) {
        next();
        return m;
      }
      if (isWord(tok, "IMPORTS") || isWord(tok, "EXPORTS")) {
        skipTo(";");
        continue;
      }
      if (tok.kind == Kind::Word && isWord(peek(1), "MACRO")) {
        skipMacro();
        continue;
      }
      if (tok.kind == Kind::Word && isWord(peek(1), "OBJECT") && isWord(peek(2), "IDENTIFIER") &&
          isSymbol(peek(3), "::=")) {
        std::string defined = tok.text;
        p_ += 4;
        parseValue(defined, m.definitions);
        continue;
      }
      if (tok.kind == Kind::Word && peek(1).kind == Kind::Word && kOidMacros.count(peek(1).text) &&
          tok.text != "SYNTAX") {
        std::string defined = tok.text;
        p_ += 2;
        skipTo("::=");
        parseValue(defined, m.definitions);
        continue;
      }
      next();  // types, traps, textual conventions and the rest: nothing to collect
    }
  }

  // Skips to just after the symbol `s` (strings are single tokens already).
  void skipTo(std::string_view s) {
    for (;;) {
      const Token& tok = next();
      if (tok.kind == Kind::End) throw ParseError(tok.line, "expected \"" + std::string(s) + "\"");
      if (isSymbol(tok, s)) return;
      if (isWord(tok, "END") && s != "END")
        throw ParseError(tok.line, "expected \"" + std::string(s) + "\" before END");
    }
  }

  void skipBalanced() {
    int depth = 0;
    do {
      const Token& tok = next();
      if (tok.kind == Kind::End) throw ParseError(tok.line, "unbalanced braces");
      if (isSymbol(tok, "{")) ++depth;
      if (isSymbol(tok, "}")) --depth;
    } while (depth > 0);
  }

  // NAME MACRO ::= BEGIN ... END (the macro's own notation is not read).
  void skipMacro() {
    p_ += 2;
    expectSymbol("::=");
    expectWord("BEGIN");
    for (;;) {
      const Token& tok = next();
      if (tok.kind == Kind::End) throw ParseError(tok.line, "macro without END");
      if (isWord(tok, "END")) return;
    }
  }

  static std::uint32_t arc(const Token& tok) {
    if (tok.kind != Kind::Number || tok.text[0] == '-' || tok.text.size() > 10)
      throw ParseError(tok.line, "bad number in object identifier");
    std::uint64_t v = std::stoull(tok.text);
    if (v > std::numeric_limits<std::uint32_t>::max())
      throw ParseError(tok.line, "number too large in object identifier");
    return static_cast<std::uint32_t>(v);
  }

  // { parent 1 2 } / { iso org(3) dod(6) 1 } / { 1 3 6 }
  void parseValue(const std::string& defined, std::vector<Definition>& out) {
    const Token& open = next();
    if (!isSymbol(open, "{"))
      throw ParseError(open.line, "object identifier value of " + defined + " expected");
    Definition d;
    d.name = defined;
    bool first = true;
    std::vector<Definition> implied;
    for (;;) {
      const Token& tok = next();
      if (isSymbol(tok, "}")) break;
      if (tok.kind == Kind::Number) {
        d.arcs.push_back(arc(tok));
      } else if (tok.kind == Kind::Word) {
        if (isSymbol(peek(), "(")) {
          next();
          std::uint32_t n = arc(next());
          expectSymbol(")");
          if (first) {
            d.parent = tok.text;
          } else {
            d.arcs.push_back(n);
            // name(n) inside a value names that node too.
            implied.push_back({tok.text, d.parent, d.arcs, true});
          }
        } else if (first) {
          d.parent = tok.text;
        } else {
          throw ParseError(tok.line, "name without number inside the value of " + defined);
        }
      } else {
        throw ParseError(tok.line, "bad object identifier value of " + defined);
      }
      first = false;
    }
    if (first) throw ParseError(open.line, "empty object identifier value of " + defined);
    if (d.parent.empty() && d.arcs.empty())
      throw ParseError(open.line, "empty object identifier value of " + defined);
    if (d.parent == defined) throw ParseError(open.line, defined + " is defined below itself");
    for (auto& i : implied) out.push_back(std::move(i));
    out.push_back(std::move(d));
  }

  std::vector<Token> t_;
  std::size_t p_ = 0;
};

}  // namespace

Mib::Mib() {
  struct Root {
    const char* name;
    const char* parent;
    std::uint32_t arc;
  };
  static constexpr Root kRoots[] = {
      {"ccitt", "", 0},
      {"iso", "", 1},
      {"joint-iso-ccitt", "", 2},
      {"org", "iso", 3},
      {"dod", "org", 6},
      {"internet", "dod", 1},
      {"directory", "internet", 1},
      {"mgmt", "internet", 2},
      {"mib-2", "mgmt", 1},
      {"system", "mib-2", 1},
      {"transmission", "mib-2", 10},
      {"experimental", "internet", 3},
      {"private", "internet", 4},
      {"enterprises", "private", 1},
      {"security", "internet", 5},
      {"snmpV2", "internet", 6},
  };
  for (const Root& r : kRoots) nodes_[r.name] = Node{r.parent, {r.arc}, ""};
}

void Mib::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(kMibSource, "Cannot open MIB file \"" + path + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Error(kMibSource, "Cannot read MIB file \"" + path + "\"");
  loadText(text.str(), path);
}

void Mib::loadText(std::string_view text, const std::string& origin) {
  std::vector<ParsedModule> modules;
  try {
    modules = Parser(tokenize(text)).parseFile();
  } catch (const ParseError& e) {
    throw Error(kMibSource, origin + " line " + std::to_string(e.line()) + ": " + e.what());
  }
  for (auto& m : modules) {
    modules_.push_back(m.name);
    for (auto& d : m.definitions) {
      if (d.implied && nodes_.count(d.name)) continue;
      auto [it, inserted] = nodes_.insert_or_assign(d.name, Node{d.parent, d.arcs, m.name});
      (void)it;
      if (inserted) order_.push_back(d.name);
    }
  }
}

std::vector<std::uint32_t> Mib::resolve(const std::string& name) const {
  std::vector<std::vector<std::uint32_t>> parts;
  std::string current = name;
  // Bounded walk: a chain longer than the number of nodes is a cycle.
  for (std::size_t steps = 0; !current.empty(); ++steps) {
    if (steps > nodes_.size()) throw Error(kMibSource, "Object name \"" + name + "\" is defined in a cycle");
    auto it = nodes_.find(current);
    if (it == nodes_.end()) {
      if (current == name) throw Error(kMibSource, "Unknown object name \"" + name + "\"");
      throw Error(kMibSource, "Object name \"" + name + "\" lies below the unknown \"" + current + "\"");
    }
    parts.push_back(it->second.arcs);
    current = it->second.parent;
  }
  std::vector<std::uint32_t> oid;
  for (auto p = parts.rbegin(); p != parts.rend(); ++p) {
    oid.insert(oid.end(), p->begin(), p->end());
    if (oid.size() > 128) throw Error(kMibSource, "Object identifier of \"" + name + "\" is too long");
  }
  return oid;
}

std::string Mib::translate(const std::string& name) const {
  std::string rest = name;
  std::string module;
  if (auto sep = rest.find("::"); sep != std::string::npos) {
    module = rest.substr(0, sep);
    rest = rest.substr(sep + 2);
  }
  if (rest.empty()) throw Error(kMibSource, "Empty object name");
  if (!rest.empty() && (isDigit(rest[0]) || rest[0] == '.')) {
    auto oid = ber::parseOid(rest);
    if (!oid) throw Error(kMibSource, "Invalid object identifier \"" + name + "\"");
    return ber::formatOid(*oid);
  }
  std::string base = rest;
  std::string suffix;
  if (auto dot = rest.find('.'); dot != std::string::npos) {
    base = rest.substr(0, dot);
    suffix = rest.substr(dot + 1);
    // The suffix must be numeric arcs.
    if (suffix.empty() || !ber::parseOid("0.0." + suffix))
      throw Error(kMibSource, "Invalid instance in \"" + name + "\"");
  }
  if (!module.empty()) {
    auto it = nodes_.find(base);
    if (it != nodes_.end() && !it->second.module.empty() && it->second.module != module)
      throw Error(kMibSource, "Object name \"" + base + "\" is not defined in module " + module);
  }
  std::vector<std::uint32_t> oid = resolve(base);
  std::string text = ber::formatOid(oid);
  if (!suffix.empty()) text += "." + suffix;
  return text;
}

}  // namespace platform::snmp
