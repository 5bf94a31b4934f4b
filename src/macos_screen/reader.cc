#include "macos_screen/reader.h"

#include <utility>

#include "platform/clock.h"

namespace frontmost::platform::screen {

namespace {

bool means_missing(ax::Error error) {
  return error == ax::kNoValue || error == ax::kAttributeUnsupported;
}

// One attribute whose value must have type `want`.
cf::Ref typed(Reader& reader, cf::TypeRef of, std::string_view name,
              cf::TypeId want) {
  if (!reader.gate()) {
    reader.incomplete();
    return {};
  }
  cf::Ref value;
  ax::Error error = ax::copy_attribute_value(of, name, &value);
  if (means_missing(error)) return {};
  if (error != ax::kSuccess) {
    reader.incomplete();
    return {};
  }
  if (!value) return {};
  if (cf::get_type_id(value.get()) != want) {
    reader.incomplete();
    return {};
  }
  return value;
}

}  // namespace

Instant monotonic_now() { return clocks::Monotonic::now().time_since_epoch(); }

std::optional<float> read_timeout(Instant remaining) {
  if (remaining < kShortestRead) return std::nullopt;
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(remaining);
  auto nanos = remaining - seconds;
  return static_cast<float>(static_cast<float>(seconds.count()) +
                            static_cast<float>(nanos.count()) / 1e9);
}

AttrOutcome Outcome::text() const {
  switch (kind) {
    case Kind::Present: return string_of(value.get());
    case Kind::Missing: return AttrOutcome::missing();
    case Kind::Failed: break;
  }
  return AttrOutcome::failed(code);
}

Reader::Reader(Instant budget, Now now)
    : now_(std::move(now)),
      deadline_(clocks::later(now_(), budget)),
      system_wide_(ax::create_system_wide()) {}

Reader::~Reader() {
  ax::set_messaging_timeout(system_wide_.get(), kMessagingTimeout);
}

Instant Reader::remaining() const {
  Instant left = deadline_ - now_();
  return left > Instant::zero() ? left : Instant::zero();
}

bool Reader::gate() {
  std::optional<float> timeout = read_timeout(remaining());
  // Without the timeout set, an application that does not answer would hold
  // the read for the system's default of seconds: the read is not made.
  return timeout && ax::set_messaging_timeout(system_wide_.get(), *timeout) == ax::kSuccess;
}

cf::Ref element(Reader& reader, cf::TypeRef of, std::string_view name) {
  return typed(reader, of, name, cf::TypeId::AXUIElement);
}

cf::Ref array(Reader& reader, cf::TypeRef of, std::string_view name) {
  return typed(reader, of, name, cf::TypeId::Array);
}

std::optional<ax::Rect> frame(Reader& reader, cf::Ref element) {
  if (!reader.gate()) {
    reader.incomplete();
    return std::nullopt;
  }
  cf::Ref value;
  ax::Error error = ax::copy_attribute_value(element.get(), "AXFrame", &value);
  if (means_missing(error)) return std::nullopt;
  if (error != ax::kSuccess) {
    reader.incomplete();
    return std::nullopt;
  }
  ax::Rect rect;
  if (!value || cf::get_type_id(value.get()) != cf::TypeId::AXValue ||
      !ax::value_get_rect(value.get(), &rect)) {
    return std::nullopt;
  }
  return rect;
}

Multiple copy_multiple(cf::TypeRef of, std::span<const std::string_view> names) {
  Multiple read;
  read.error = ax::copy_multiple_attribute_values(of, names, 0, &read.values);
  if (read.error != ax::kSuccess) {
    read.values.reset();
  } else if (!read.values ||
             cf::get_type_id(read.values.get()) != cf::TypeId::Array) {
    read.values.reset();
    read.error = ax::kFailure;
  }
  return read;
}

Outcome unwrap_error(cf::Ref entry) {
  if (!entry) return Outcome::failed(ax::kFailure);
  switch (cf::get_type_id(entry.get())) {
    case cf::TypeId::Null:
      return Outcome::missing();
    case cf::TypeId::AXValue:
      if (ax::value_get_type(entry.get()) == ax::ValueType::AXError) {
        ax::Error code = ax::kFailure;
        if (!ax::value_get_error(entry.get(), &code)) {
          return Outcome::failed(ax::kFailure);
        }
        if (means_missing(code)) return Outcome::missing();
        return Outcome::failed(code);
      }
      break;
    default:
      break;
  }
  return Outcome::present(std::move(entry));
}

bool read_many(Reader& reader, cf::TypeRef of,
               std::span<const std::string_view> names, std::span<Outcome> out) {
  auto all_failed = [&](ax::Error code) {
    for (Outcome& o : out) o = Outcome::failed(code);
    return false;
  };
  if (!reader.gate()) return all_failed(ax::kCannotComplete);
  Multiple read = copy_multiple(of, names);
  if (read.error != ax::kSuccess) return all_failed(read.error);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = unwrap_error(retained_at(read.values.get(), static_cast<int64_t>(i)));
  }
  return true;
}

}  // namespace frontmost::platform::screen
