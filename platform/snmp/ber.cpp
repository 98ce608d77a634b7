#include "platform/snmp/ber.h"

#include <limits>

namespace platform::snmp::ber {

namespace {

constexpr std::size_t kMaxArcs = 128;  // SNMP's limit on object identifier length

// ---- encoding ----

void appendLength(std::vector<std::uint8_t>& out, std::size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
    return;
  }
  std::uint8_t bytes[8];
  int n = 0;
  for (std::size_t v = length; v != 0; v >>= 8) bytes[n++] = static_cast<std::uint8_t>(v & 0xFF);
  out.push_back(static_cast<std::uint8_t>(0x80 | n));
  while (n > 0) out.push_back(bytes[--n]);
}

void appendTlv(std::vector<std::uint8_t>& out, std::uint8_t tag, const std::vector<std::uint8_t>& content) {
  out.push_back(tag);
  appendLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
}

// Minimal two's complement, big-endian.
std::vector<std::uint8_t> integerContent(std::int64_t v) {
  std::vector<std::uint8_t> bytes;
  for (int shift = 56; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
  std::size_t start = 0;
  while (start + 1 < bytes.size() && ((bytes[start] == 0x00 && !(bytes[start + 1] & 0x80)) ||
                                      (bytes[start] == 0xFF && (bytes[start + 1] & 0x80))))
    ++start;
  return {bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end()};
}

void checkOid(const Oid& oid) {
  if (oid.size() < 2 || oid.size() > kMaxArcs) throw BerError("object identifier needs 2 to 128 arcs");
  if (oid[0] > 2) throw BerError("object identifier's first arc must be 0, 1 or 2");
  if (oid[0] < 2 && oid[1] >= 40) throw BerError("object identifier's second arc must be below 40");
  if (oid[0] == 2 && oid[1] > std::numeric_limits<std::uint32_t>::max() - 80)
    throw BerError("object identifier's second arc too large");
}

void appendSubidentifier(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<std::uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n > 1) out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

std::vector<std::uint8_t> oidContent(const Oid& oid) {
  checkOid(oid);
  std::vector<std::uint8_t> out;
  appendSubidentifier(out, oid[0] * 40 + oid[1]);
  for (std::size_t i = 2; i < oid.size(); ++i) appendSubidentifier(out, oid[i]);
  return out;
}

void appendValue(std::vector<std::uint8_t>& out, const Value& v) {
  switch (v.tag) {
    case Tag::Integer:
      if (v.number < std::numeric_limits<std::int32_t>::min() ||
          v.number > std::numeric_limits<std::int32_t>::max())
        throw BerError("INTEGER value outside 32 bits");
      appendTlv(out, 0x02, integerContent(v.number));
      return;
    case Tag::Counter:
    case Tag::Gauge:
    case Tag::TimeTicks:
      if (v.number < 0 || v.number > std::numeric_limits<std::uint32_t>::max())
        throw BerError("unsigned value outside 32 bits");
      appendTlv(out, static_cast<std::uint8_t>(v.tag), integerContent(v.number));
      return;
    case Tag::OctetString:
      appendTlv(out, 0x04, v.bytes);
      return;
    case Tag::IpAddress:
      if (v.bytes.size() != 4) throw BerError("IpAddress must have 4 bytes");
      appendTlv(out, 0x40, v.bytes);
      return;
    case Tag::Null:
      appendTlv(out, 0x05, {});
      return;
    case Tag::ObjectId:
      appendTlv(out, 0x06, oidContent(v.oid));
      return;
    case Tag::Sequence:
      break;
  }
  throw BerError("value type cannot be encoded");
}

// ---- decoding ----

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

  bool atEnd() const { return pos_ == data_.size(); }

  std::uint8_t peekTag() const {
    if (atEnd()) throw BerError("truncated: element expected");
    return data_[pos_];
  }

  // Reads one element of tag `tag` and returns its content.
  std::span<const std::uint8_t> expect(std::uint8_t tag, const char* what) {
    std::uint8_t actual = peekTag();
    if (actual != tag) throw BerError(std::string("wrong tag for ") + what);
    return element(what).second;
  }

  // Reads any element: (tag, content).
  std::pair<std::uint8_t, std::span<const std::uint8_t>> element(const char* what) {
    if (atEnd()) throw BerError(std::string("truncated: ") + what + " expected");
    std::uint8_t tag = data_[pos_++];
    if ((tag & 0x1F) == 0x1F) throw BerError(std::string("multi-byte tag in ") + what);
    if (atEnd()) throw BerError(std::string("truncated length of ") + what);
    std::uint8_t first = data_[pos_++];
    std::size_t length = 0;
    if (first < 0x80) {
      length = first;
    } else if (first == 0x80) {
      throw BerError(std::string("indefinite length in ") + what);
    } else {
      std::size_t n = first & 0x7F;
      if (n > 4) throw BerError(std::string("length of ") + what + " too large");
      if (data_.size() - pos_ < n) throw BerError(std::string("truncated length of ") + what);
      for (std::size_t i = 0; i < n; ++i) length = (length << 8) | data_[pos_++];
    }
    if (length > data_.size() - pos_) throw BerError(std::string("length of ") + what + " beyond the data");
    auto content = data_.subspan(pos_, length);
    pos_ += length;
    return {tag, content};
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

std::int64_t decodeInteger(std::span<const std::uint8_t> c, bool isUnsigned, const char* what) {
  if (c.empty()) throw BerError(std::string("empty integer in ") + what);
  if (c.size() > 9) throw BerError(std::string("integer too long in ") + what);
  std::size_t start = 0;
  // Redundant leading bytes (0x00 before a clear top bit, 0xFF before a set one) are tolerated.
  while (start + 1 < c.size() &&
         ((c[start] == 0x00 && !(c[start + 1] & 0x80)) || (c[start] == 0xFF && (c[start + 1] & 0x80))))
    ++start;
  std::size_t n = c.size() - start;
  if (n > 5) throw BerError(std::string("integer out of range in ") + what);
  std::int64_t v = (c[start] & 0x80) ? -1 : 0;
  for (std::size_t i = start; i < c.size(); ++i)
    v = static_cast<std::int64_t>(static_cast<std::uint64_t>(v) << 8) | c[i];
  if (isUnsigned) {
    if (v < 0 || v > std::numeric_limits<std::uint32_t>::max())
      throw BerError(std::string("unsigned value out of range in ") + what);
  } else if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
    throw BerError(std::string("integer out of range in ") + what);
  }
  return v;
}

std::int32_t readInt32(Reader& r, const char* what) {
  return static_cast<std::int32_t>(decodeInteger(r.expect(0x02, what), false, what));
}

Oid decodeOid(std::span<const std::uint8_t> c) {
  if (c.empty()) throw BerError("empty object identifier");
  Oid oid;
  std::size_t i = 0;
  bool first = true;
  while (i < c.size()) {
    if (c[i] == 0x80) throw BerError("object identifier with padded subidentifier");
    std::uint64_t v = 0;
    int bytes = 0;
    for (;;) {
      if (i >= c.size()) throw BerError("truncated object identifier");
      std::uint8_t b = c[i++];
      v = (v << 7) | (b & 0x7F);
      if (++bytes > 5 || v > std::numeric_limits<std::uint32_t>::max())
        throw BerError("object identifier arc too large");
      if (!(b & 0x80)) break;
    }
    if (first) {
      first = false;
      std::uint32_t s = static_cast<std::uint32_t>(v);
      if (s < 40) {
        oid.push_back(0);
        oid.push_back(s);
      } else if (s < 80) {
        oid.push_back(1);
        oid.push_back(s - 40);
      } else {
        oid.push_back(2);
        oid.push_back(s - 80);
      }
    } else {
      oid.push_back(static_cast<std::uint32_t>(v));
    }
    if (oid.size() > kMaxArcs) throw BerError("object identifier too long");
  }
  return oid;
}

Value decodeValue(std::uint8_t tag, std::span<const std::uint8_t> c) {
  switch (tag) {
    case 0x02:
      return Value::integer(static_cast<std::int32_t>(decodeInteger(c, false, "INTEGER")));
    case 0x04:
      return Value::octets({c.begin(), c.end()});
    case 0x05:
      if (!c.empty()) throw BerError("NULL with content");
      return Value::null();
    case 0x06:
      return Value::objectId(decodeOid(c));
    case 0x40: {
      if (c.size() != 4) throw BerError("IpAddress must have 4 bytes");
      Value v;
      v.tag = Tag::IpAddress;
      v.bytes.assign(c.begin(), c.end());
      return v;
    }
    case 0x41:
    case 0x42:
    case 0x43:
      return Value::unsignedValue(static_cast<Tag>(tag),
                                  static_cast<std::uint32_t>(decodeInteger(c, true, "unsigned value")));
    default:
      throw BerError("unsupported value type");
  }
}

}  // namespace

Value Value::ipAddress(std::uint32_t hostOrder) {
  Value v;
  v.tag = Tag::IpAddress;
  v.bytes = {static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
             static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)};
  return v;
}

std::optional<Oid> parseOid(std::string_view text) {
  if (!text.empty() && text.front() == '.') text.remove_prefix(1);
  Oid oid;
  std::size_t pos = 0;
  while (true) {
    std::size_t start = pos;
    std::uint64_t v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      v = v * 10 + static_cast<unsigned>(text[pos] - '0');
      if (v > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
      ++pos;
    }
    if (pos == start) return std::nullopt;
    oid.push_back(static_cast<std::uint32_t>(v));
    if (oid.size() > kMaxArcs) return std::nullopt;
    if (pos == text.size()) break;
    if (text[pos] != '.') return std::nullopt;
    ++pos;
  }
  try {
    checkOid(oid);
  } catch (const BerError&) {
    return std::nullopt;
  }
  return oid;
}

std::string formatOid(const Oid& oid) {
  std::string out;
  for (std::size_t i = 0; i < oid.size(); ++i) {
    if (i) out += '.';
    out += std::to_string(oid[i]);
  }
  return out;
}

std::vector<std::uint8_t> encodeMessage(const Message& message) {
  std::vector<std::uint8_t> varbinds;
  for (const VarBind& vb : message.pdu.varbinds) {
    std::vector<std::uint8_t> one;
    appendTlv(one, 0x06, oidContent(vb.name));
    appendValue(one, vb.value);
    appendTlv(varbinds, 0x30, one);
  }
  std::vector<std::uint8_t> pdu;
  appendTlv(pdu, 0x02, integerContent(message.pdu.requestId));
  appendTlv(pdu, 0x02, integerContent(message.pdu.errorStatus));
  appendTlv(pdu, 0x02, integerContent(message.pdu.errorIndex));
  appendTlv(pdu, 0x30, varbinds);
  std::vector<std::uint8_t> body;
  appendTlv(body, 0x02, integerContent(message.version));
  appendTlv(body, 0x04, std::vector<std::uint8_t>(message.community.begin(), message.community.end()));
  switch (message.pdu.type) {
    case PduType::GetRequest:
    case PduType::GetNextRequest:
    case PduType::GetResponse:
    case PduType::SetRequest:
      break;
    default:
      throw BerError("unsupported PDU type");
  }
  appendTlv(body, static_cast<std::uint8_t>(message.pdu.type), pdu);
  std::vector<std::uint8_t> out;
  appendTlv(out, 0x30, body);
  if (out.size() > kMaxMessageSize) throw BerError("message too large");
  return out;
}

Message decodeMessage(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxMessageSize) throw BerError("message too large");
  Reader outer(data);
  Reader body(outer.expect(0x30, "message"));
  if (!outer.atEnd()) throw BerError("bytes after the message");

  Message m;
  m.version = readInt32(body, "version");
  auto community = body.expect(0x04, "community");
  m.community.assign(community.begin(), community.end());
  auto [pduTag, pduContent] = body.element("PDU");
  if (pduTag < 0xA0 || pduTag > 0xA3) throw BerError("unsupported PDU type");
  if (!body.atEnd()) throw BerError("bytes after the PDU");
  m.pdu.type = static_cast<PduType>(pduTag);

  Reader pdu(pduContent);
  m.pdu.requestId = readInt32(pdu, "request id");
  m.pdu.errorStatus = readInt32(pdu, "error status");
  m.pdu.errorIndex = readInt32(pdu, "error index");
  Reader list(pdu.expect(0x30, "variable bindings"));
  if (!pdu.atEnd()) throw BerError("bytes after the variable bindings");
  while (!list.atEnd()) {
    Reader vb(list.expect(0x30, "variable binding"));
    VarBind binding;
    binding.name = decodeOid(vb.expect(0x06, "variable name"));
    auto [tag, content] = vb.element("value");
    binding.value = decodeValue(tag, content);
    if (!vb.atEnd()) throw BerError("bytes after a variable binding's value");
    m.pdu.varbinds.push_back(std::move(binding));
  }
  return m;
}

std::optional<Message> tryDecodeMessage(std::span<const std::uint8_t> data, std::string* error) {
  try {
    return decodeMessage(data);
  } catch (const BerError& e) {
    if (error) *error = e.what();
    return std::nullopt;
  }
}

}  // namespace platform::snmp::ber
