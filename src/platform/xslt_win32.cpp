// TransformXml through the XML DOM component of the component runtime.
// The calling thread must have initialised the runtime; this library does
// not. Texts go to the component as wide strings converted with the ANSI
// code page, and the result comes back the same way.
#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <climits>

#include "platform/xslt.h"
#include "quenloft/com_ptr.h"

namespace quenloft::platform {

namespace {

// {F6D90F11-9C73-11D3-B32E-00C04F990BB4}: the XML DOM document class.
constexpr CLSID kDomDocumentClass = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// {2933BF81-7B36-11D2-B20E-00C04F983E60}: IXMLDOMDocument.
constexpr IID kDomDocumentInterface = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// {2933BF95-7B36-11D2-B20E-00C04F983E60}: IXMLDOMDocument2, for properties.
constexpr IID kDomDocument2Interface = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// In-process server, in-process handler, local server.
constexpr DWORD kClassContext = 7;

using Document = ComPtr<IXMLDOMDocument>;

bool Create(Document* doc) {
  return SUCCEEDED(CoCreateInstance(kDomDocumentClass, nullptr, kClassContext,
                                    kDomDocumentInterface, doc->put_void())) &&
         *doc;
}

// Owns one system string.
class SystemString {
 public:
  SystemString() = default;
  ~SystemString() { SysFreeString(text_); }
  SystemString(const SystemString&) = delete;
  SystemString& operator=(const SystemString&) = delete;

  BSTR get() const { return text_; }
  BSTR* put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }

  // The 8-bit text in the ANSI code page as a wide system string.
  bool Assign(std::string_view text) {
    if (text.size() > static_cast<size_t>(INT_MAX)) return false;
    const int count = static_cast<int>(text.size());
    const int wide = count == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
    if (count != 0 && wide == 0) return false;
    *put() = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (text_ == nullptr) return false;
    return wide == 0 || MultiByteToWideChar(CP_ACP, 0, text.data(), count, text_, wide) == wide;
  }

  // Back to 8-bit text in the ANSI code page.
  std::optional<std::string> Narrow() const {
    const UINT length = SysStringLen(text_);
    if (length == 0) return std::string();
    if (length > static_cast<UINT>(INT_MAX)) return std::nullopt;
    const int wide = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text_, wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string narrow(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text_, wide, narrow.data(), bytes, nullptr, nullptr) !=
        bytes) {
      return std::nullopt;
    }
    return narrow;
  }

 private:
  BSTR text_ = nullptr;
};

// Sets a boolean property; components that do not know it keep their
// default.
void SetFlag(IXMLDOMDocument2* doc, const wchar_t* name, bool on) {
  SystemString property;
  *property.put() = SysAllocString(name);
  if (property.get() == nullptr) return;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BOOL;
  value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
  doc->setProperty(property.get(), value);
}

// Nothing outside the two texts is read and nothing runs: no external
// entities or DTDs, no document() and no script in the style sheet, and
// parsing finishes before loadXML returns.
void KeepToTheText(const Document& doc) {
  doc->put_async(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
  const auto doc2 = doc.query<IXMLDOMDocument2>(kDomDocument2Interface);
  if (doc2) {
    SetFlag(doc2.get(), L"AllowDocumentFunction", false);
    SetFlag(doc2.get(), L"AllowXsltScript", false);
  }
}

}  // namespace

// The component bounds its own recursion; it offers no way to stop a
// transformation from outside, so the limits are not applied here.
std::optional<std::string> TransformXml(std::string_view xml, std::string_view stylesheet,
                                        const TransformLimits&, TransformStop* stopped,
                                        std::string* error) {
  if (stopped != nullptr) *stopped = TransformStop::kNone;
  // The component's own error objects are not read: a failure is named
  // by where it happened.
  if (error != nullptr) *error = "the XML component could not transform the texts";
  Document source;
  Document style;
  if (!Create(&source) || !Create(&style)) return std::nullopt;
  KeepToTheText(source);
  KeepToTheText(style);

  SystemString xml_text;
  SystemString style_text;
  if (!xml_text.Assign(xml) || !style_text.Assign(stylesheet)) return std::nullopt;
  // A text that does not parse is a failure: transforming the empty
  // document it leaves would give output from nothing.
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (FAILED(source.get()->loadXML(xml_text.get(), &loaded)) || loaded != VARIANT_TRUE)
    return std::nullopt;
  if (FAILED(style.get()->loadXML(style_text.get(), &loaded)) || loaded != VARIANT_TRUE)
    return std::nullopt;

  SystemString output;
  if (FAILED(source.get()->transformNode(style.get(), output.put())) || output.get() == nullptr)
    return std::nullopt;
  return output.Narrow();
}

}  // namespace quenloft::platform
