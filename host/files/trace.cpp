#include "trace.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "trace_numbers.h"

namespace {

// The longest draw's text: 18 numbers and the names around them.
constexpr int kDrawRoom = 512;

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* putNumber(char* out, float value) {
  if (!std::isfinite(value)) return put(out, "null");
  return writeTraceNumber(out, value);
}

char* putNumbers(char* out, const float* values, int count) {
  *out++ = '[';
  for (int i = 0; i < count; ++i) {
    if (i) *out++ = ',';
    out = putNumber(out, values[i]);
  }
  *out++ = ']';
  return out;
}

void appendNumbers(std::string& out, const float* values, int count) {
  out += '[';
  for (int i = 0; i < count; ++i) {
    if (i) out += ',';
    appendJsonNumber(out, values[i]);
  }
  out += ']';
}

}  // namespace

void appendJsonNumber(std::string& out, float value) {
  char buffer[kTraceNumberRoom];
  out.append(buffer, putNumber(buffer, value));
}

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

TraceWriter::TraceWriter() : file_("trace", OutputFile::OnFailure::Remove) {}

bool TraceWriter::open(const std::string& path, std::string& error) {
  return file_.open(path, error);
}

void TraceWriter::writeHeader(const View& view, const float* viewOverride) {
  line_ = "{\"width\":" + std::to_string(view.width) +
          ",\"height\":" + std::to_string(view.height) + ",\"textures\":";
  appendJsonString(line_, view.textureDir);
  line_ += ",\"viewpoint\":{\"xyz\":";
  appendNumbers(line_, view.xyz, 3);
  line_ += ",\"hpr\":";
  appendNumbers(line_, view.hpr, 3);
  line_ += "}";
  if (viewOverride) {
    line_ += ",\"view\":{\"xyz\":";
    appendNumbers(line_, viewOverride, 3);
    line_ += ",\"hpr\":";
    appendNumbers(line_, viewOverride + 3, 3);
    line_ += "}";
  }
  line_ += "}\n";
  flushLine();
}

void TraceWriter::beginFrame(const FrameInfo& info) {
  // cleared, not replaced, so the line keeps its room from frame to frame
  line_.clear();
  line_ += "{\"frame\":";
  line_ += std::to_string(info.frame);
  line_ += ",\"pause\":";
  line_ += std::to_string(info.pause);
  line_ += ",\"keys\":[";
  bool first = true;
  for (const Key& key : info.keys) {
    if (!first) line_ += ',';
    first = false;
    if (key.host == HostKey::None) {
      line_ += std::to_string(key.code);
    } else {
      appendJsonString(line_, hostKeyName(key.host));
    }
  }
  line_ += "],\"draws\":[";
  prints_.clear();
  firstDraw_ = true;
}

void TraceWriter::draw(const DrawCall& call) {
  // built in one piece and added to the line at once
  char text[kDrawRoom];
  char* out = text;
  if (!firstDraw_) *out++ = ',';
  firstDraw_ = false;
  static constexpr std::string_view kOps[] = {"box", "sphere", "cylinder"};
  out = put(out, "{\"op\":\"");
  out = put(out, kOps[static_cast<int>(call.shape)]);
  out = put(out, "\",\"pos\":");
  out = putNumbers(out, call.pos, 3);
  // The rotation without its row padding.
  const float rotation[9] = {call.R[0], call.R[1], call.R[2], call.R[4], call.R[5],
                             call.R[6], call.R[8], call.R[9], call.R[10]};
  out = put(out, ",\"R\":");
  out = putNumbers(out, rotation, 9);
  switch (call.shape) {
    case DrawCall::Shape::Box:
      out = put(out, ",\"sides\":");
      out = putNumbers(out, call.sides, 3);
      break;
    case DrawCall::Shape::Cylinder:
      out = put(out, ",\"length\":");
      out = putNumber(out, call.length);
      [[fallthrough]];
    case DrawCall::Shape::Sphere:
      out = put(out, ",\"radius\":");
      out = putNumber(out, call.radius);
      break;
  }
  out = put(out, ",\"color\":");
  out = putNumbers(out, call.color, 3);
  out = put(out, ",\"texture\":");
  out = std::to_chars(out, out + kTraceNumberRoom, call.texture).ptr;
  *out++ = '}';
  line_.append(text, out);
}

void TraceWriter::print(std::string_view text) {
  if (!prints_.empty()) prints_ += ',';
  appendJsonString(prints_, text);
}

void TraceWriter::endFrame() {
  // The prints sit before the draws in the line, though they come in among them.
  std::string::size_type draws = line_.find(",\"draws\":[");
  line_.insert(draws, ",\"prints\":[" + prints_ + "]");
  line_ += "]}\n";
  flushLine();
}
