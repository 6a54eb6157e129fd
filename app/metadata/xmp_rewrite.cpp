// Text edits of an XMP packet, property by property, through the namespace declarations it makes
// (xmlns:prefix="URI"). The packet is never parsed into a tree: what is not edited stays byte for
// byte, including the packet wrapper and its padding.
#include "metadata/xmp_rewrite.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <vector>

namespace lumivex {
namespace {

constexpr std::string_view kTiffNamespace = "http://ns.adobe.com/tiff/1.0/";
constexpr std::string_view kExifNamespace = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view kNoteNamespace = "http://ns.adobe.com/xmp/note/";
constexpr std::string_view kDjiNamespace = "http://www.dji.com/drone-dji/1.0/";

// Which local names of a namespace are location: all of Exif's GPS properties; DJI's position,
// heights and its GPS-named fields (it spells one of them "GpsLongtitude").
bool isLocation(std::string_view uri, std::string_view name) {
  if (uri == kExifNamespace) return name.starts_with("GPS");
  if (uri == kDjiNamespace)
    return name.starts_with("Gps") || name.starts_with("GPS") || name == "AbsoluteAltitude" ||
           name == "RelativeAltitude";
  return false;
}

bool isNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// One property occurrence: the bytes it takes (with the white space before it, so that a removal
// leaves the layout tidy) and where its simple value lies, if it has one.
struct Property {
  std::string_view prefix;
  std::string name;
  std::size_t at = 0;     // where "prefix:Name" begins
  std::size_t start = 0;  // white space before it included
  std::size_t end = 0;
  std::optional<std::pair<std::size_t, std::size_t>> value;  // [first, last) of the text value
};

class XmpText {
 public:
  explicit XmpText(std::string packet) : text_(std::move(packet)) { readNamespaces(); }

  // Every property of a namespace, in the packet's order, each found afresh as edits move the
  // text: `edit` answers true when it removed the property.
  void forEach(std::string_view uri, const std::function<bool(const Property&)>& edit) {
    for (const std::string& prefix : prefixesOf(uri)) {
      std::size_t from = 0;
      while (std::optional<Property> p = next(prefix, from)) from = edit(*p) ? p->start : p->at + 1;
    }
  }
  void remove(const Property& p) { text_.erase(p.start, p.end - p.start); }
  void setValue(const Property& p, const std::string& value) {
    if (p.value) text_.replace(p.value->first, p.value->second - p.value->first, value);
  }
  std::string valueOf(const Property& p) const {
    return p.value ? text_.substr(p.value->first, p.value->second - p.value->first) : std::string();
  }
  const std::string& text() const { return text_; }

 private:
  void readNamespaces() {
    constexpr std::string_view kXmlns = "xmlns:";
    for (std::size_t at = text_.find(kXmlns); at != std::string::npos; at = text_.find(kXmlns, at + 1)) {
      std::size_t nameEnd = at + kXmlns.size();
      while (nameEnd < text_.size() && isNameCharacter(text_[nameEnd])) ++nameEnd;
      std::optional<std::pair<std::size_t, std::size_t>> uri = quotedAfter(nameEnd);
      if (!uri) continue;
      namespaces_.emplace_back(text_.substr(at + kXmlns.size(), nameEnd - at - kXmlns.size()),
                               text_.substr(uri->first, uri->second - uri->first));
    }
  }

  std::vector<std::string> prefixesOf(std::string_view uri) const {
    std::vector<std::string> prefixes;
    for (const auto& [prefix, declared] : namespaces_)
      if (declared == uri && std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
        prefixes.push_back(prefix);
    return prefixes;
  }

  // `="value"` or `='value'` from `at`, white space allowed around the sign.
  std::optional<std::pair<std::size_t, std::size_t>> quotedAfter(std::size_t at) const {
    at = skipSpace(at);
    if (at >= text_.size() || text_[at] != '=') return std::nullopt;
    at = skipSpace(at + 1);
    if (at >= text_.size() || (text_[at] != '"' && text_[at] != '\'')) return std::nullopt;
    std::size_t close = text_.find(text_[at], at + 1);
    if (close == std::string::npos) return std::nullopt;
    return std::pair{at + 1, close};
  }

  std::size_t skipSpace(std::size_t at) const {
    while (at < text_.size() && std::isspace(static_cast<unsigned char>(text_[at]))) ++at;
    return at;
  }
  std::size_t spaceBefore(std::size_t at) const {
    while (at > 0 && std::isspace(static_cast<unsigned char>(text_[at - 1]))) --at;
    return at;
  }

  // The next "prefix:Name" from `from` that stands as an attribute or as an element.
  std::optional<Property> next(const std::string& prefix, std::size_t from) const {
    std::string qualified = prefix + ":";
    for (std::size_t at = text_.find(qualified, from); at != std::string::npos;
         at = text_.find(qualified, at + 1)) {
      std::size_t nameStart = at + qualified.size(), nameEnd = nameStart;
      while (nameEnd < text_.size() && isNameCharacter(text_[nameEnd])) ++nameEnd;
      if (nameEnd == nameStart || (at > 0 && isNameCharacter(text_[at - 1]))) continue;
      if (at > 0 && text_[at - 1] == '/') continue;  // a closing tag
      Property p{prefix, text_.substr(nameStart, nameEnd - nameStart), at, 0, 0, std::nullopt};
      if (at > 0 && text_[at - 1] == '<' ? element(at - 1, nameEnd, p) : attribute(at, nameEnd, p)) return p;
    }
    return std::nullopt;
  }

  bool attribute(std::size_t at, std::size_t nameEnd, Property& p) const {
    if (at == 0 || !std::isspace(static_cast<unsigned char>(text_[at - 1]))) return false;
    std::optional<std::pair<std::size_t, std::size_t>> value = quotedAfter(nameEnd);
    if (!value) return false;
    p.start = spaceBefore(at), p.end = value->second + 1, p.value = value;
    return true;
  }

  // <prefix:Name .../>, or <prefix:Name ...> up to its closing tag; a simple value when no element
  // lies inside.
  bool element(std::size_t open, std::size_t nameEnd, Property& p) const {
    std::size_t tagEnd = text_.find('>', nameEnd);
    if (tagEnd == std::string::npos) return false;
    p.start = spaceBefore(open);
    if (text_[tagEnd - 1] == '/') {
      p.end = tagEnd + 1;
      return true;
    }
    std::string closing = "</" + std::string(p.prefix) + ":" + p.name + ">";
    std::size_t close = text_.find(closing, tagEnd);
    if (close == std::string::npos) return false;
    p.end = close + closing.size();
    if (text_.find('<', tagEnd + 1) == close) p.value = std::pair{tagEnd + 1, close};
    return true;
  }

  std::string text_;
  std::vector<std::pair<std::string, std::string>> namespaces_;
};

void setAll(XmpText& xmp, std::string_view uri, std::string_view name, const std::string& value) {
  xmp.forEach(uri, [&](const Property& p) {
    if (p.name == name) xmp.setValue(p, value);
    return false;
  });
}

void removeAll(XmpText& xmp, std::string_view uri, const std::function<bool(const std::string&)>& which) {
  xmp.forEach(uri, [&](const Property& p) {
    if (!which(p.name)) return false;
    xmp.remove(p);
    return true;
  });
}

}  // namespace

std::string RewriteXmp(std::string packet, const XmpRewrite& facts) {
  XmpText xmp(std::move(packet));
  std::string width = std::to_string(facts.width), height = std::to_string(facts.height);
  setAll(xmp, kTiffNamespace, "ImageWidth", width);
  setAll(xmp, kTiffNamespace, "ImageLength", height);
  setAll(xmp, kExifNamespace, "PixelXDimension", width);
  setAll(xmp, kExifNamespace, "PixelYDimension", height);
  if (facts.upright) setAll(xmp, kTiffNamespace, "Orientation", "1");
  if (facts.convertedToSrgb) setAll(xmp, kExifNamespace, "ColorSpace", "1");
  if (facts.dropExtension)
    removeAll(xmp, kNoteNamespace, [](const std::string& name) { return name == "HasExtendedXMP"; });
  if (facts.stripLocation) {
    for (std::string_view uri : {kExifNamespace, kDjiNamespace})
      removeAll(xmp, uri, [uri](const std::string& name) { return isLocation(uri, name); });
    if (XmpHoldsLocation(xmp.text())) return {};
  }
  return xmp.text();
}

bool XmpHoldsLocation(const std::string& packet) {
  XmpText xmp(packet);
  bool found = false;
  for (std::string_view uri : {kExifNamespace, kDjiNamespace})
    xmp.forEach(uri, [&](const Property& p) {
      found = found || isLocation(uri, p.name);
      return false;
    });
  return found;
}

std::string XmpExtensionGuidOf(const std::string& packet) {
  XmpText xmp(packet);
  std::string guid;
  xmp.forEach(kNoteNamespace, [&](const Property& p) {
    if (p.name == "HasExtendedXMP") guid = xmp.valueOf(p);
    return false;
  });
  return guid;
}

}  // namespace lumivex
