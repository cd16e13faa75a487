// Parses the control window's commands. Words are separated by single spaces
// so that a failure's description can be taken verbatim after the HRESULT.
#include "DoubleCommand.h"

#include "DoubleLog.h"

#include <charconv>

namespace qbdouble {

namespace {

// Splits off the word before the next space; the rest keeps everything after
// that one space.
std::string_view NextWord(std::string_view& rest) {
  const size_t space = rest.find(' ');
  const std::string_view word = rest.substr(0, space);
  rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
  return word;
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

DoubleCommand Command(CommandKind kind) {
  DoubleCommand command;
  command.kind = kind;
  return command;
}

std::optional<FailingMethod> ParseMethod(std::string_view text) {
  if (text == "Navigate") return FailingMethod::Navigate;
  if (text == "Refresh") return FailingMethod::Refresh;
  return std::nullopt;
}

std::optional<DoubleCommand> ParseFail(CommandKind kind, std::string_view rest) {
  const std::optional<FailingMethod> method = ParseMethod(NextWord(rest));
  if (!method) return std::nullopt;
  const bool hasDescription = rest.find(' ') != std::string_view::npos;
  const std::string_view code = NextWord(rest);
  DoubleCommand command = Command(kind);
  command.method = *method;
  if (code == "off" && !hasDescription) return command;
  const std::optional<HRESULT> hr = ParseHresult(code);
  if (!hr) return std::nullopt;
  command.rule = FailureRule{*hr, std::nullopt};
  if (hasDescription) command.rule->description = Wide(rest);
  return command;
}

}  // namespace

std::optional<DoubleCommand> ParseCommand(std::string_view text) {
  // A driver that counts the terminating NUL into cbData must not get it
  // into a description.
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  std::string_view rest = text;
  const std::string_view verb = NextWord(rest);
  if (verb == "progress") {
    const std::optional<int32_t> progress = ParseInt32(NextWord(rest));
    const std::optional<int32_t> progressMax = ParseInt32(NextWord(rest));
    if (!progress || !progressMax || !rest.empty()) return std::nullopt;
    DoubleCommand command = Command(CommandKind::Progress);
    command.progress = *progress;
    command.progressMax = *progressMax;
    return command;
  }
  if (verb == "event") {
    const std::optional<int32_t> dispid = ParseInt32(NextWord(rest));
    if (!dispid || !rest.empty()) return std::nullopt;
    DoubleCommand command = Command(CommandKind::Event);
    command.dispid = *dispid;
    return command;
  }
  if (verb == "fail") return ParseFail(CommandKind::Fail, rest);
  if (verb == "failonce") return ParseFail(CommandKind::FailOnce, rest);
  if (verb == "query") {
    const std::string_view what = NextWord(rest);
    if (!rest.empty()) return std::nullopt;
    if (what == "refs") return Command(CommandKind::QueryRefs);
    if (what == "navigates") return Command(CommandKind::QueryNavigates);
    if (what == "refreshes") return Command(CommandKind::QueryRefreshes);
  }
  return std::nullopt;
}

}  // namespace qbdouble
