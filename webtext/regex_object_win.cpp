#include "regex_object.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "headers.h"

namespace {

// Text is code page 936 whatever the system's ANSI code page.
constexpr unsigned kGbk = 936;

UniqueBstr BstrOf(std::string_view text) {
  const Bytes wide = TextToUtf16(text, kGbk);
  const UINT units = static_cast<UINT>(wide.size() / 2 - 1);
  BSTR b = SysAllocStringLen(nullptr, units);
  if (b) std::memcpy(b, wide.data(), static_cast<std::size_t>(units) * 2);
  return UniqueBstr(b);
}

VARIANT BstrArg(const UniqueBstr& b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = b.get();
  return v;
}

VARIANT BoolArg(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT IntArg(long value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

// Calls a member by name; args in call order, borrowed for the call.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* result,
               std::initializer_list<VARIANT> args = {}) {
  if (!object) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.begin(), args.end());  // DISPPARAMS wants them last first
  std::reverse(reversed.begin(), reversed.end());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (kind == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr,
                        nullptr);
}

void Put(IDispatch* object, const wchar_t* name, VARIANT value) {
  Invoke(object, name, DISPATCH_PROPERTYPUT, nullptr, {value});
}

// A property, or a method's result; an empty VARIANT when the call fails.
void Get(IDispatch* object, const wchar_t* name, UniqueVariant& out,
         std::initializer_list<VARIANT> args = {}) {
  if (FAILED(Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, out.put(), args))) {
    out.put();
  }
}

ComPtr<IDispatch> DispatchOf(const VARIANT& v) {
  ComPtr<IDispatch> p;
  if (v.vt == VT_DISPATCH && v.pdispVal) {
    v.pdispVal->AddRef();
    *p.put() = v.pdispVal;
  }
  return p;
}

Text TextOfVariant(const VARIANT& v) {
  UniqueVariant text;
  if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR)) || !(*text).bstrVal) return {};
  const UINT units = SysStringLen((*text).bstrVal);
  Bytes wide(static_cast<std::size_t>(units) * 2 + 2, 0);
  std::memcpy(wide.data(), (*text).bstrVal, static_cast<std::size_t>(units) * 2);
  return Utf16ToText(wide, kGbk);
}

long LongOfVariant(const VARIANT& v) {
  UniqueVariant number;
  return SUCCEEDED(VariantChangeType(number.get(), const_cast<VARIANT*>(&v), 0, VT_I4)) ? (*number).lVal : 0;
}

Text TextProperty(IDispatch* object, const wchar_t* name) {
  UniqueVariant v;
  Get(object, name, v);
  return TextOfVariant(*v);
}

long LongProperty(IDispatch* object, const wchar_t* name) {
  UniqueVariant v;
  Get(object, name, v);
  return LongOfVariant(*v);
}

ComPtr<IDispatch> DispatchProperty(IDispatch* object, const wchar_t* name) {
  UniqueVariant v;
  Get(object, name, v);
  return DispatchOf(*v);
}

// Item(zeroBased) of a collection.
ComPtr<IDispatch> ItemOf(IDispatch* collection, int zeroBased) {
  if (zeroBased < 0) return {};
  UniqueVariant v;
  Get(collection, L"Item", v, {IntArg(zeroBased)});
  return DispatchOf(*v);
}

// Byte offset (from 0) of found in subject. The component counts UTF-16
// units, a double-byte character once, so the units before the match are
// converted back to learn where the search starts.
int OffsetOf(const Text& subject, std::string_view found, long firstIndex, bool ignoreCase) {
  const Bytes wide = TextToUtf16(subject, kGbk);
  const std::size_t units = std::min<std::size_t>(static_cast<std::size_t>(std::max(firstIndex, 0L)),
                                                  wide.size() / 2 - 1);
  Bytes before(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(units * 2));
  before.insert(before.end(), {0, 0});
  const int start = Length(Utf16ToText(before, kGbk));
  if (found.empty()) return start;
  const int p = Find(subject, found, start + 1, ignoreCase);
  return p == -1 ? -1 : p - 1;
}

}  // namespace

RegexObject::RegexObject() : comHeld_(SUCCEEDED(CoInitialize(nullptr))) {}

RegexObject::~RegexObject() {
  matches_.reset();
  engine_.reset();
  subject_.clear();
  // Only a successful CoInitialize is undone: a thread already in another
  // apartment keeps its own COM.
  if (comHeld_) CoUninitialize();
}

RegexObject::RegexObject(const RegexObject& other)
    : comHeld_(SUCCEEDED(CoInitialize(nullptr))),
      engine_(other.engine_),
      matches_(other.matches_),
      subject_(other.subject_) {}

RegexObject& RegexObject::operator=(const RegexObject& other) {
  engine_ = other.engine_;
  matches_ = other.matches_;
  subject_ = other.subject_;
  return *this;
}

bool RegexObject::Create(std::string_view pattern, std::string_view subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteToken) {
  matches_.reset();
  engine_.reset();
  const Text finalPattern = quoteToken ? ReplaceQuoteToken(pattern) : Text(pattern);
  subject_ = Text(subject);
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(engine_.put())))) {
    return false;
  }
  Put(engine_.get(), L"IgnoreCase", BoolArg(!caseSensitive));
  Put(engine_.get(), L"Multiline", BoolArg(multiline));
  Put(engine_.get(), L"Global", BoolArg(global));
  const UniqueBstr patternText = BstrOf(finalPattern), subjectText = BstrOf(subject_);
  Put(engine_.get(), L"Pattern", BstrArg(patternText));
  UniqueVariant result;
  Get(engine_.get(), L"Execute", result, {BstrArg(subjectText)});
  matches_ = DispatchOf(*result);
  return static_cast<bool>(matches_);
}

Text RegexObject::GetPattern() const { return TextProperty(engine_.get(), L"Pattern"); }

Text RegexObject::Replace(std::string_view replacement) const {
  const UniqueBstr source = BstrOf(subject_), by = BstrOf(replacement);
  UniqueVariant result;
  Get(engine_.get(), L"Replace", result, {BstrArg(source), BstrArg(by)});
  return TextOfVariant(*result);
}

int RegexObject::MatchCount() const {
  return static_cast<int>(LongProperty(matches_.get(), L"Count"));
}

Text RegexObject::MatchText(int index, int* offset) const {
  const ComPtr<IDispatch> match = ItemOf(matches_.get(), index - 1);
  if (!match) return {};
  const Text value = TextProperty(match.get(), L"Value");
  if (offset) {
    *offset = OffsetOf(subject_, value, LongProperty(match.get(), L"FirstIndex"),
                       LongProperty(engine_.get(), L"IgnoreCase") != 0);
  }
  return value;
}

Text RegexObject::SubmatchText(int matchIndex, int groupIndex, int* offset) const {
  const ComPtr<IDispatch> match = ItemOf(matches_.get(), matchIndex - 1);
  if (!match || groupIndex < 1) return {};
  const ComPtr<IDispatch> groups = DispatchProperty(match.get(), L"SubMatches");
  UniqueVariant group;
  Get(groups.get(), L"Item", group, {IntArg(groupIndex - 1)});
  const Text value = TextOfVariant(*group);
  if (offset) {
    *offset = OffsetOf(subject_, value, LongProperty(match.get(), L"FirstIndex"),
                       LongProperty(engine_.get(), L"IgnoreCase") != 0);
  }
  return value;
}

int RegexObject::SubmatchCount() const {
  const ComPtr<IDispatch> match = ItemOf(matches_.get(), 0);
  if (!match) return 0;
  return static_cast<int>(LongProperty(DispatchProperty(match.get(), L"SubMatches").get(), L"Count"));
}

Text RemoveBlankLines(Text& text, bool initCom) {
  RegexObject regex;
  const bool extraCom = initCom && SUCCEEDED(CoInitialize(nullptr));
  DropOuterLineBreaks(text);
  // Where the component is missing the same replacement is done directly,
  // rather than losing the whole text.
  Text result = regex.Create("\\n\\s*\\r", text) ? regex.Replace("") : DropBlankLineBreaks(text);
  if (extraCom) CoUninitialize();
  return result;
}
