// Filter expressions: tokenizer, recursive-descent parser into a flat node list, binding of
// field names and literals, and evaluation. Nodes refer to each other by index, so a parsed
// expression is one vector and evaluation touches no heap.
#include "platform/data/filter.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad {

namespace {

enum class Tok : uint8_t { End, Ident, String, Number, Op, LParen, RParen, Minus, And, Or, Not, Null, Is, True, False };
enum class Cmp : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier, string contents, number text or operator
  size_t pos = 0;    // 1-based character offset, for messages
};

[[noreturn]] void syntaxError(const std::string& what, size_t pos) {
  throw Exception("Expressão de filtro inválida: " + what + " (posição " + std::to_string(pos) + ").");
}

bool identStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool identChar(unsigned char c) { return identStart(c) || std::isdigit(c); }

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    Token t;
    t.pos = i + 1;
    if (i >= s.size()) {
      out.push_back(t);
      return out;
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\'') {
      t.kind = Tok::String;
      ++i;
      while (true) {
        if (i >= s.size()) syntaxError("texto sem o apóstrofo final", t.pos);
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            t.text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      t.kind = Tok::Number;
      size_t b = i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      t.text = std::string(s.substr(b, i - b));
      if (i < s.size() && identChar(static_cast<unsigned char>(s[i])))
        syntaxError("número malformado '" + t.text + s[i] + "'", t.pos);
    } else if (identStart(c)) {
      size_t b = i;
      while (i < s.size() && identChar(static_cast<unsigned char>(s[i]))) ++i;
      t.text = std::string(s.substr(b, i - b));
      std::string up = upperCase(t.text);
      t.kind = up == "AND"     ? Tok::And
               : up == "OR"    ? Tok::Or
               : up == "NOT"   ? Tok::Not
               : up == "NULL"  ? Tok::Null
               : up == "IS"    ? Tok::Is
               : up == "TRUE"  ? Tok::True
               : up == "FALSE" ? Tok::False
                               : Tok::Ident;
    } else if (c == '[') {
      size_t close = s.find(']', i + 1);
      if (close == std::string_view::npos) syntaxError("nome de campo sem o ']' final", t.pos);
      t.kind = Tok::Ident;
      t.text = trim(s.substr(i + 1, close - i - 1));
      if (t.text.empty()) syntaxError("nome de campo vazio", t.pos);
      i = close + 1;
    } else if (c == '(' || c == ')') {
      t.kind = c == '(' ? Tok::LParen : Tok::RParen;
      ++i;
    } else if (c == '-') {
      t.kind = Tok::Minus;
      ++i;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      t.kind = Tok::Op;
      t.text = std::string(1, static_cast<char>(c));
      ++i;
      if (i < s.size() && (s[i] == '=' || (c == '<' && s[i] == '>'))) t.text += s[i++];
      if (t.text == "!") syntaxError("operador '!' incompleto", t.pos);
    } else {
      syntaxError(std::string("caractere inesperado '") + static_cast<char>(c) + "'", t.pos);
    }
    out.push_back(std::move(t));
  }
}

Cmp parseOp(const std::string& op) {
  if (op == "=") return Cmp::Eq;
  if (op == "<>" || op == "!=") return Cmp::Ne;
  if (op == "<") return Cmp::Lt;
  if (op == ">") return Cmp::Gt;
  if (op == "<=") return Cmp::Le;
  return Cmp::Ge;
}

// The operator seen from the other side: 5 < A is A > 5.
Cmp mirror(Cmp c) {
  switch (c) {
    case Cmp::Lt: return Cmp::Gt;
    case Cmp::Gt: return Cmp::Lt;
    case Cmp::Le: return Cmp::Ge;
    case Cmp::Ge: return Cmp::Le;
    default: return c;
  }
}

bool test(Cmp op, int c) {
  switch (op) {
    case Cmp::Eq: return c == 0;
    case Cmp::Ne: return c != 0;
    case Cmp::Lt: return c < 0;
    case Cmp::Gt: return c > 0;
    case Cmp::Le: return c <= 0;
    case Cmp::Ge: return c >= 0;
  }
  return false;
}

int sign(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

}  // namespace

struct FilterExpr::Impl {
  enum class Kind : uint8_t { And, Or, Not, Compare, IsNull, NotNull };
  enum class Lit : uint8_t { String, Number, Bool };

  struct Node {
    explicit Node(Kind k) : kind(k) {}
    Kind kind;
    int a = -1, b = -1;  // operands of And/Or/Not
    // Compare / IsNull / NotNull
    std::string field;
    size_t fieldPos = 0;
    Cmp op = Cmp::Eq;
    Lit lit = Lit::String;
    std::string litText;
    bool litBool = false;
    // Bound form
    FilterField f;
    std::string s;   // string fields
    double num = 0;  // numeric fields; day number for dates; 0/1 for booleans
  };

  std::vector<Node> nodes;
  int root = -1;
  bool bound = false;

  // ---- parser
  std::vector<Token> toks;
  size_t at = 0;

  const Token& peek() const { return toks[at]; }
  const Token& take() { return toks[at++]; }

  int add(Node n) {
    nodes.push_back(std::move(n));
    return static_cast<int>(nodes.size()) - 1;
  }

  int parseOr() {
    int left = parseAnd();
    while (peek().kind == Tok::Or) {
      take();
      Node n(Kind::Or);
      n.a = left;
      n.b = parseAnd();
      left = add(std::move(n));
    }
    return left;
  }

  int parseAnd() {
    int left = parseFactor();
    while (peek().kind == Tok::And) {
      take();
      Node n(Kind::And);
      n.a = left;
      n.b = parseFactor();
      left = add(std::move(n));
    }
    return left;
  }

  int parseFactor() {
    const Token& t = peek();
    if (t.kind == Tok::Not) {
      take();
      Node n(Kind::Not);
      n.a = parseFactor();
      return add(std::move(n));
    }
    if (t.kind == Tok::LParen) {
      take();
      int inner = parseOr();
      if (peek().kind != Tok::RParen) syntaxError("esperado ')'", peek().pos);
      take();
      return inner;
    }
    return parseComparison();
  }

  bool isLiteralStart(Tok k) const {
    return k == Tok::String || k == Tok::Number || k == Tok::Minus || k == Tok::Null || k == Tok::True ||
           k == Tok::False;
  }

  // Reads a literal into n; returns false for NULL.
  bool parseLiteral(Node& n) {
    const Token& t = peek();
    switch (t.kind) {
      case Tok::String:
        n.lit = Lit::String;
        n.litText = take().text;
        return true;
      case Tok::Minus:
        take();
        if (peek().kind != Tok::Number) syntaxError("esperado número após '-'", peek().pos);
        n.lit = Lit::Number;
        n.litText = "-" + take().text;
        return true;
      case Tok::Number:
        n.lit = Lit::Number;
        n.litText = take().text;
        return true;
      case Tok::True:
      case Tok::False:
        n.lit = Lit::Bool;
        n.litBool = take().kind == Tok::True;
        n.litText = n.litBool ? "True" : "False";
        return true;
      case Tok::Null: take(); return false;
      default: syntaxError(t.kind == Tok::End ? "fim inesperado, esperado um valor" : "esperado um valor", t.pos);
    }
  }

  Cmp parseCompareOp() {
    const Token& t = peek();
    if (t.kind != Tok::Op)
      syntaxError(
          t.kind == Tok::End ? "fim inesperado, esperado operador de comparação" : "esperado operador de comparação",
          t.pos);
    return parseOp(take().text);
  }

  int nullTest(Node n, Cmp op, size_t pos) {
    if (op != Cmp::Eq && op != Cmp::Ne) syntaxError("NULL só pode ser comparado com = ou <>", pos);
    n.kind = op == Cmp::Eq ? Kind::IsNull : Kind::NotNull;
    return add(std::move(n));
  }

  int parseComparison() {
    Node n(Kind::Compare);
    const Token& t = peek();
    if (t.kind == Tok::Ident) {
      n.fieldPos = t.pos;
      n.field = take().text;
      if (peek().kind == Tok::Is) {
        take();
        bool negate = false;
        if (peek().kind == Tok::Not) {
          take();
          negate = true;
        }
        if (peek().kind != Tok::Null) syntaxError("esperado NULL após IS", peek().pos);
        take();
        n.kind = negate ? Kind::NotNull : Kind::IsNull;
        return add(std::move(n));
      }
      size_t opPos = peek().pos;
      Cmp op = parseCompareOp();
      n.op = op;
      if (!parseLiteral(n)) return nullTest(std::move(n), op, opPos);
      return add(std::move(n));
    }
    if (isLiteralStart(t.kind)) {
      bool notNull = parseLiteral(n);
      size_t opPos = peek().pos;
      Cmp op = parseCompareOp();
      if (peek().kind != Tok::Ident) syntaxError("esperado nome de campo", peek().pos);
      n.fieldPos = peek().pos;
      n.field = take().text;
      if (!notNull) return nullTest(std::move(n), op, opPos);
      n.op = mirror(op);
      return add(std::move(n));
    }
    if (t.kind == Tok::End) syntaxError("fim inesperado, esperado nome de campo", t.pos);
    syntaxError("esperado nome de campo", t.pos);
  }

  // ---- binding
  static void badLiteral(const Node& n, const char* what) {
    throw Exception("Expressão de filtro inválida: '" + n.litText + "' não é " + what + " para o campo '" + n.field +
                    "'.");
  }

  void bindNode(Node& n) {
    switch (n.f.type) {
      case FieldType::String: n.s = n.litText; break;
      case FieldType::Integer:
      case FieldType::Float: {
        if (n.lit == Lit::Bool) {
          n.num = n.litBool ? 1 : 0;
          break;
        }
        std::string t = trim(n.litText);
        for (char& c : t)
          if (c == ',') c = '.';
        const char* b = t.data();
        const char* e = b + t.size();
        auto r = std::from_chars(b, e, n.num);
        if (t.empty() || r.ec != std::errc() || r.ptr != e) badLiteral(n, "um número válido");
        break;
      }
      case FieldType::DateTime: {
        if (n.lit != Lit::String) badLiteral(n, "uma data válida");
        auto d = parseDate(n.litText, formatSettings().shortDateFormat);
        if (!d) d = DateTime::parseIso(n.litText);
        if (!d) badLiteral(n, "uma data válida");
        n.num = d->dateOnly().serial;
        break;
      }
      case FieldType::Boolean: {
        if (n.lit == Lit::Bool) {
          n.num = n.litBool ? 1 : 0;
        } else {
          try {
            n.num = Variant(n.litText).asBool() ? 1 : 0;
          } catch (const Exception&) {
            badLiteral(n, "um valor lógico válido");
          }
        }
        break;
      }
    }
  }

  // ---- evaluation
  static bool nullCompare(Cmp op) { return op == Cmp::Ne; }

  bool eval(int i, const FilterRow& row) const {
    const Node& n = nodes[static_cast<size_t>(i)];
    switch (n.kind) {
      case Kind::And: return eval(n.a, row) && eval(n.b, row);
      case Kind::Or: return eval(n.a, row) || eval(n.b, row);
      case Kind::Not: return !eval(n.a, row);
      case Kind::IsNull:
      case Kind::NotNull: {
        const Variant& v = row.value(n.f.slot);
        bool isNull = v.isNull() || (n.f.type == FieldType::String && v.isString() && v.str().empty());
        return n.kind == Kind::IsNull ? isNull : !isNull;
      }
      case Kind::Compare: return compare(n, row.value(n.f.slot));
    }
    return false;
  }

  static bool compare(const Node& n, const Variant& v) {
    switch (n.f.type) {
      case FieldType::String: {
        if (v.isNull()) return test(n.op, std::string_view().compare(n.s));
        if (v.isString()) return test(n.op, v.str().compare(n.s));
        return test(n.op, v.asString().compare(n.s));
      }
      case FieldType::Integer:
      case FieldType::Float:
      case FieldType::Boolean: {
        if (v.isNull()) return nullCompare(n.op);
        double x;
        if (v.isInt() || v.isFloat() || v.isBool()) {
          x = v.asFloat();
        } else {
          try {
            x = n.f.type == FieldType::Boolean ? (v.asBool() ? 1 : 0) : v.asFloat();
          } catch (const Exception&) {
            return n.op == Cmp::Ne;
          }
        }
        return test(n.op, sign(x, n.num));
      }
      case FieldType::DateTime: {
        if (v.isNull()) return nullCompare(n.op);
        double day;
        if (v.isDateTime()) {
          day = v.asDateTime().dateOnly().serial;
        } else {
          try {
            day = v.asDateTime().dateOnly().serial;
          } catch (const Exception&) {
            return n.op == Cmp::Ne;
          }
        }
        return test(n.op, sign(day, n.num));
      }
    }
    return false;
  }
};

FilterExpr::FilterExpr(std::string_view text) : p_(std::make_unique<Impl>()) {
  p_->toks = tokenize(text);
  if (p_->toks.front().kind == Tok::End) {
    p_->toks.clear();
    return;
  }
  p_->root = p_->parseOr();
  if (p_->peek().kind != Tok::End) {
    const Token& t = p_->peek();
    syntaxError(t.kind == Tok::RParen ? "')' sem '(' correspondente" : "esperado AND, OR ou fim da expressão", t.pos);
  }
  p_->toks.clear();
  p_->toks.shrink_to_fit();
}

FilterExpr::~FilterExpr() = default;
FilterExpr::FilterExpr(FilterExpr&&) noexcept = default;
FilterExpr& FilterExpr::operator=(FilterExpr&&) noexcept = default;

bool FilterExpr::empty() const { return p_->root < 0; }
bool FilterExpr::bound() const { return p_->bound || p_->root < 0; }

void FilterExpr::bind(const Resolver& resolve) {
  p_->bound = false;
  for (auto& n : p_->nodes) {
    if (n.kind != Impl::Kind::Compare && n.kind != Impl::Kind::IsNull && n.kind != Impl::Kind::NotNull) continue;
    if (!resolve(n.field, n.f))
      throw Exception("Expressão de filtro inválida: campo '" + n.field + "' não encontrado (posição " +
                      std::to_string(n.fieldPos) + ").");
    if (n.kind == Impl::Kind::Compare) p_->bindNode(n);
  }
  p_->bound = true;
}

bool FilterExpr::matches(const FilterRow& row) const {
  if (p_->root < 0) return true;
  if (!p_->bound) throw Exception("Expressão de filtro não associada aos campos.");
  return p_->eval(p_->root, row);
}

}  // namespace cad
