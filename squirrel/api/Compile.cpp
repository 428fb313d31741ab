// Compiling source text into a closure: the compiler sees the machine's constant table
// through an adapter, and errors go to the compiler-error hook.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/compiler/Compiler.h"

using namespace sqvm;

namespace {

std::optional<sqformat::Literal> scalarOf(const Value& v) {
  switch (v._type) {
    case OT_INTEGER: return sqformat::Literal(v.i());
    case OT_FLOAT: return sqformat::Literal(v.f());
    case OT_STRING: return sqformat::Literal(std::u16string(asString(v)->view()));
    default: return std::nullopt;
  }
}

Value valueOf(SharedState& ss, const sqformat::Literal& l) {
  if (const int32_t* i = std::get_if<int32_t>(&l)) return Value::integer(*i);
  if (const float* f = std::get_if<float>(&l)) return Value::number(*f);
  if (const std::u16string* s = std::get_if<std::u16string>(&l)) return ss.str(*s);
  return Value();
}

class ConstantTableAdapter final : public sqcompiler::ConstantTable {
 public:
  explicit ConstantTableAdapter(SharedState& ss) : ss_(ss) {}

  std::optional<sqcompiler::ConstantValue> find(std::u16string_view name) const override {
    if (ss_.constTable._type != OT_TABLE) return std::nullopt;
    Value v;
    if (!asTable(ss_.constTable)->get(ss_.str(name), v)) return std::nullopt;
    sqcompiler::ConstantValue c;
    if (auto s = scalarOf(v)) {
      c.kind = sqcompiler::ConstantValue::Kind::Scalar;
      c.scalar = *s;
    } else if (v._type == OT_TABLE) {
      c.kind = sqcompiler::ConstantValue::Kind::Table;
      Value key, val;
      for (int32_t i = asTable(v)->next(0, key, val); i >= 0; i = asTable(v)->next(i + 1, key, val)) {
        auto s2 = scalarOf(val);
        if (key._type == OT_STRING && s2) {
          c.members.emplace_back(std::u16string(asString(key)->view()), *s2);
        }
      }
    }
    return c;
  }
  void defineScalar(std::u16string_view name, const sqformat::Literal& value) override {
    if (ss_.constTable._type == OT_TABLE) asTable(ss_.constTable)->newSlot(ss_.str(name), valueOf(ss_, value));
  }
  void defineEnum(std::u16string_view name,
                  const std::vector<std::pair<std::u16string, sqformat::Literal>>& members) override {
    if (ss_.constTable._type != OT_TABLE) return;
    Table* t = new Table(&ss_, 0);
    Value tv(OT_TABLE, t);
    for (const auto& [k, val] : members) t->newSlot(ss_.str(k), valueOf(ss_, val));
    asTable(ss_.constTable)->newSlot(ss_.str(name), tv);
  }

 private:
  SharedState& ss_;
};

}  // namespace

SQRESULT sq_compilebuffer(HSQUIRRELVM v, const SQChar* s, SQInteger size, const SQChar* sourcename,
                          SQBool raiseerror) {
  std::u16string_view source(s, size > 0 ? static_cast<size_t>(size) : 0);
  std::u16string_view name = sourcename ? std::u16string_view(sourcename) : std::u16string_view();
  ConstantTableAdapter constants(*v->ss);
  sqcompiler::CompileError error;
  auto data = sqcompiler::compile(source, name, v->ss->debugInfo ? sqcompiler::DebugInfo::On
                                                                  : sqcompiler::DebugInfo::Off,
                                  constants, error);
  if (!data) {
    v->raise(v->ss->str(error.message));
    if (raiseerror && v->ss->compilerErrorHandler) {
      std::u16string n(name);
      v->ss->compilerErrorHandler(v, asString(v->lastError)->data, n.c_str(), error.line,
                                  error.column);
    }
    return SQ_ERROR;
  }
  return api::pushMainClosure(v, *data);
}

SQRESULT sq_compile(HSQUIRRELVM v, SQLEXREADFUNC read, SQUserPointer p, const SQChar* sourcename,
                    SQBool raiseerror) {
  std::u16string source;
  for (;;) {
    const SQInteger c = read(p);
    if (c == 0) break;
    source.push_back(static_cast<char16_t>(c));
  }
  return sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()), sourcename,
                          raiseerror);
}
