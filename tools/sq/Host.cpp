#include "Host.h"

#include "squirrel/compiler/SourceText.h"

#include <cstdarg>
#include <string_view>

namespace sqtool {

namespace {

std::FILE* g_out = stdout;

std::u16string_view textOf(const SQChar* s) { return s ? std::u16string_view(s) : u"unknown"; }

void write(std::u16string_view s) {
  const std::string u = sqcompiler::utf16ToUtf8(s);
  std::fwrite(u.data(), 1, u.size(), g_out);
}

void write(const std::string& ascii) { std::fwrite(ascii.data(), 1, ascii.size(), g_out); }

// The base library only passes "%s" with one string; %d and %% are handled for completeness.
void printHook(HSQUIRRELVM, const SQChar* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::u16string text;
  for (const SQChar* p = format; *p; ++p) {
    if (*p != '%' || !p[1]) {
      text.push_back(*p);
      continue;
    }
    ++p;
    if (*p == 's') {
      const SQChar* s = va_arg(ap, const SQChar*);
      text += textOf(s);
    } else if (*p == 'd') {
      for (char c : std::to_string(va_arg(ap, int))) text.push_back(static_cast<char16_t>(c));
    } else {
      text.push_back(*p);
    }
  }
  va_end(ap);
  write(text);
}

void compileErrorHook(HSQUIRRELVM, const SQChar* desc, const SQChar* source, SQInteger line,
                      SQInteger column) {
  write(u"COMPILE ERROR: ");
  write(textOf(desc));
  write(u" (");
  write(textOf(source));
  write(" line " + std::to_string(line) + " column " + std::to_string(column) + ")\n");
}

// The value on top of the stack as the report shows it (the value stays on the stack).
std::u16string describe(HSQUIRRELVM v) {
  switch (sq_gettype(v, -1)) {
    case OT_NULL: return u"NULL";
    case OT_INTEGER:
    case OT_FLOAT: {
      sq_tostring(v, -1);
      const SQChar* s = nullptr;
      sq_getstring(v, -1, &s);
      std::u16string r(textOf(s));
      sq_pop(v, 1);
      return r;
    }
    case OT_BOOL: {
      SQBool b = SQFalse;
      sq_getbool(v, -1, &b);
      return b ? u"true" : u"false";
    }
    case OT_STRING: {
      const SQChar* s = nullptr;
      sq_getstring(v, -1, &s);
      return u"\"" + std::u16string(textOf(s)) + u"\"";
    }
    case OT_TABLE: return u"TABLE";
    case OT_ARRAY: return u"ARRAY";
    case OT_CLOSURE: return u"CLOSURE";
    case OT_NATIVECLOSURE: return u"NATIVECLOSURE";
    case OT_GENERATOR: return u"GENERATOR";
    case OT_USERDATA: return u"USERDATA";
    case OT_USERPOINTER: return u"USERPOINTER";
    case OT_THREAD: return u"THREAD";
    case OT_CLASS: return u"CLASS";
    case OT_INSTANCE: return u"INSTANCE";
    case OT_WEAKREF: return u"WEAKREF";
    default: return u"UNKNOWN";
  }
}

SQInteger errorHandler(HSQUIRRELVM v) {
  write(u"ERROR: ");
  if (sq_gettype(v, 2) == OT_STRING) {
    const SQChar* s = nullptr;
    sq_getstring(v, 2, &s);
    write(textOf(s));
  } else {
    sq_push(v, 2);
    write(describe(v));
    sq_pop(v, 1);
  }
  write(u"\nCALLSTACK\n");
  SQStackInfos si;
  SQInteger levels = 1;
  for (; SQ_SUCCEEDED(sq_stackinfos(v, levels, &si)); ++levels) {
    write(u"*FUNCTION [");
    write(textOf(si.funcname));
    write(u"()] ");
    write(textOf(si.source));
    write(" line [" + std::to_string(si.line) + "]\n");
  }
  write(u"LOCALS\n");
  for (SQInteger level = 1; level < levels; ++level) {
    for (SQUnsignedInteger i = 0;; ++i) {
      const SQChar* name = sq_getlocal(v, level, i);
      if (!name) break;
      write(u"[");
      write(textOf(name));
      write(u"] ");
      write(describe(v));
      write(u"\n");
      sq_pop(v, 1);
    }
  }
  return 0;
}

}  // namespace

HSQUIRRELVM openMachine(std::FILE* out) {
  g_out = out;
  HSQUIRRELVM v = sq_open(1024);
  sq_setprintfunc(v, printHook);
  sq_setcompilererrorhandler(v, compileErrorHook);
  sq_newclosure(v, errorHandler, 0);
  sq_seterrorhandler(v);
  return v;
}

std::string lastErrorText(HSQUIRRELVM v) {
  sq_getlasterror(v);
  const SQChar* msg = nullptr;
  sq_getstring(v, -1, &msg);
  std::string text = sqcompiler::utf16ToUtf8(textOf(msg));
  sq_pop(v, 1);
  return text;
}

}  // namespace sqtool
