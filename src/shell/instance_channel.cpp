#include "shell/instance_channel.h"

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "common/json.h"
#include "common/text.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

// A request and a reply are flat but for a list of texts; anything nested deeper is not worth
// parsing.
constexpr JsonLimits kRequestLimits{kInstanceLineLimit, 4};
constexpr JsonLimits kReplyLimits{kInstanceReplyLimit, 4};
// A command line of more words than this is no veltractl command.
constexpr std::size_t kMaxArguments = 256;

constexpr std::pair<InstanceConfirm, std::string_view> kConfirmNames[] = {
    {InstanceConfirm::Ask, "ask"},
    {InstanceConfirm::Yes, "yes"},
    {InstanceConfirm::No, "no"},
    {InstanceConfirm::None, "none"}};
// Texts from the peer quoted in an error are cut to this many characters.
constexpr std::size_t kQuotedLength = 40;

bool IsPrivateFolder(const fs::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string HashedStem(const std::string& name) {
    // FNV-1a: stable across builds and platforms, unlike std::hash.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char c : name) {
        hash = (hash ^ c) * 0x100000001b3u;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("veltra-") + text;
}

// The file name shared by the socket and the lock, without extension.
fs::path InstanceStem(const std::string& caption) {
    const fs::path folder = InstanceRuntimeFolder(caption);
    if (folder.empty()) {
        return {};
    }
    const std::string name = CaptionFolderName(caption);
    constexpr std::size_t kSunPathSize = sizeof(sockaddr_un{}.sun_path);
    // The terminating zero needs a byte too.
    if ((folder / (name + ".socket")).native().size() < kSunPathSize) {
        return folder / name;
    }
    return folder / HashedStem(name);
}

std::string Quoted(std::string_view text) {
    return EncodeJson(Json(TruncateUtf16(text, kQuotedLength)));
}

// The member's name in double quotes. Appended piecewise: GCC 12 at -O3 warns (-Wrestrict)
// about the operator+ form of the same thing.
std::string MemberName(std::string_view key) {
    std::string name(1, '"');
    name.append(key);
    name.push_back('"');
    return name;
}

// A member that must be an integer of type int.
std::optional<int> IntField(const Json& object, std::string_view key, std::string& error) {
    const Json* member = FindMember(object, key);
    if (member == nullptr) {
        error = "missing " + MemberName(key);
        return std::nullopt;
    }
    const std::optional<std::int64_t> value = IntMember(object, key);
    if (!value) {
        error = MemberName(key) + " must be an integer";
        return std::nullopt;
    }
    if (*value < INT_MIN || *value > INT_MAX) {
        error = MemberName(key) + " is out of range: " + std::to_string(*value);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// The decoded object when `line` is one JSON object of this protocol's version.
std::optional<Json> DecodeEnvelope(std::string_view line, const JsonLimits& limits,
                                   std::string& error) {
    if (line.size() > limits.max_length) {
        error = "line longer than " + std::to_string(limits.max_length) + " bytes";
        return std::nullopt;
    }
    std::optional<Json> value = DecodeJson(line, limits);
    if (!value) {
        error = "malformed JSON";
        return std::nullopt;
    }
    if (!value->is_object()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    const Json* version = FindMember(*value, "version");
    if (version == nullptr) {
        error = "missing \"version\"";
        return std::nullopt;
    }
    if (!version->is_number_integer()) {
        error = "\"version\" must be an integer";
        return std::nullopt;
    }
    if (IntMember(*value, "version") != kInstanceProtocolVersion) {
        error = "unsupported protocol version " + EncodeJson(*version) + " (this program speaks " +
                std::to_string(kInstanceProtocolVersion) + ")";
        return std::nullopt;
    }
    return value;
}

DecodedRequest DecodeCommand(const Json& value) {
    DecodedRequest decoded;
    const Json* arguments = FindMember(value, "arguments");
    if (arguments == nullptr || !arguments->is_array() || arguments->empty()) {
        decoded.error = "\"arguments\" must be a list of texts naming a command";
        return decoded;
    }
    if (arguments->size() > kMaxArguments) {
        decoded.error = "more than " + std::to_string(kMaxArguments) + " arguments";
        return decoded;
    }
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::Command;
    for (const Json& argument : *arguments) {
        if (!argument.is_string()) {
            decoded.error = "\"arguments\" must be a list of texts";
            return decoded;
        }
        request.arguments.push_back(argument.get<std::string>());
    }
    const std::optional<std::string> folder = StringMember(value, "folder");
    if (!folder || !fs::path(*folder).is_absolute() || folder->find('\0') != std::string::npos) {
        decoded.error = "\"folder\" must be an absolute path";
        return decoded;
    }
    request.folder = *folder;
    const std::optional<std::string> confirm = StringMember(value, "confirm");
    const auto* found =
        std::find_if(std::begin(kConfirmNames), std::end(kConfirmNames),
                     [&](const auto& entry) { return confirm && entry.second == *confirm; });
    if (found == std::end(kConfirmNames)) {
        decoded.error = "\"confirm\" must be \"ask\", \"yes\", \"no\" or \"none\"";
        return decoded;
    }
    request.confirm = found->first;
    decoded.request = std::move(request);
    return decoded;
}

}  // namespace

fs::path InstanceRuntimeFolder(const std::string& caption) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    if (runtime != nullptr && fs::path(runtime).is_absolute() && fs::is_directory(runtime, ec)) {
        return runtime;
    }
    fs::path base = fs::temp_directory_path(ec);
    if (ec || !base.is_absolute()) {
        base = "/tmp";
    }
    const fs::path folder = base / (CaptionFolderName(caption) + "-" + std::to_string(::geteuid()));
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return {};
    }
    // Checked after creating too: the mode may have been narrowed, never widened, by the umask,
    // and a folder that already existed may be anyone's.
    return IsPrivateFolder(folder) ? folder : fs::path();
}

fs::path InstanceSocketPath(const std::string& caption) {
    const fs::path stem = InstanceStem(caption);
    return stem.empty() ? stem : fs::path(stem.native() + ".socket");
}

fs::path InstanceLockPath(const std::string& caption) {
    const fs::path stem = InstanceStem(caption);
    return stem.empty() ? stem : fs::path(stem.native() + ".lock");
}

std::string EncodeInstanceRequest(const InstanceRequest& request) {
    Json value = {{"version", kInstanceProtocolVersion}};
    if (request.kind == InstanceRequest::Kind::Show) {
        value["request"] = "show";
    } else if (request.kind == InstanceRequest::Kind::Command) {
        value["request"] = "command";
        value["arguments"] = request.arguments;
        value["folder"] = request.folder;
        for (const auto& [confirm, name] : kConfirmNames) {
            if (confirm == request.confirm) {
                value["confirm"] = name;
            }
        }
    } else {
        value["request"] = "message";
        value["message"] = request.message;
        value["wparam"] = request.wparam;
        value["lparam"] = request.lparam;
    }
    return EncodeJson(value) + "\n";
}

DecodedRequest DecodeInstanceRequest(std::string_view line) {
    DecodedRequest decoded;
    const std::optional<Json> value = DecodeEnvelope(line, kRequestLimits, decoded.error);
    if (!value) {
        return decoded;
    }
    const Json* kind = FindMember(*value, "request");
    if (kind == nullptr) {
        decoded.error = "missing \"request\"";
        return decoded;
    }
    if (!kind->is_string()) {
        decoded.error = "\"request\" must be a string";
        return decoded;
    }
    const std::string& name = kind->get_ref<const std::string&>();
    if (name == "show") {
        decoded.request = InstanceRequest{};
        return decoded;
    }
    if (name == "command") {
        return DecodeCommand(*value);
    }
    if (name != "message") {
        decoded.error = "unknown request " + Quoted(name);
        return decoded;
    }
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::WindowMessage;
    for (const auto& [key, field] :
         {std::pair{"message", &request.message}, std::pair{"wparam", &request.wparam},
          std::pair{"lparam", &request.lparam}}) {
        const std::optional<int> number = IntField(*value, key, decoded.error);
        if (!number) {
            return decoded;
        }
        *field = *number;
    }
    if (std::find(kInstanceWindowMessages.begin(), kInstanceWindowMessages.end(),
                  request.message) == kInstanceWindowMessages.end()) {
        decoded.error = "window message " + std::to_string(request.message) + " is not accepted";
        return decoded;
    }
    decoded.request = request;
    return decoded;
}

std::string EncodeInstanceReply(bool ok, std::string_view error) {
    Json value = {{"version", kInstanceProtocolVersion}, {"ok", ok}};
    if (!ok) {
        value["error"] = std::string(error);
    }
    return EncodeJson(value) + "\n";
}

InstanceReply DecodeInstanceReply(std::string_view line) {
    InstanceReply reply;
    const std::optional<Json> value = DecodeEnvelope(line, kReplyLimits, reply.error);
    if (!value) {
        return reply;
    }
    const Json* ok = FindMember(*value, "ok");
    if (ok == nullptr || !ok->is_boolean()) {
        reply.error = ok == nullptr ? "missing \"ok\"" : "\"ok\" must be true or false";
        return reply;
    }
    reply.ok = ok->get<bool>();
    if (!reply.ok) {
        reply.error = StringMember(*value, "error").value_or("");
    }
    const Json* exit_code = FindMember(*value, "exit");
    const Json* question = FindMember(*value, "question");
    const Json* direct = FindMember(*value, "direct");
    if (exit_code != nullptr || question != nullptr || direct != nullptr) {
        CommandOutcome outcome;
        if (direct != nullptr) {
            outcome.direct = direct->is_boolean() && direct->get<bool>();
        } else if (question != nullptr) {
            if (!question->is_string() || question->get_ref<const std::string&>().empty()) {
                reply.error = "\"question\" must be a text";
                return reply;
            }
            outcome.question = question->get<std::string>();
        } else {
            const std::optional<std::int64_t> code = IntMember(*value, "exit");
            if (!code || *code < 0 || *code > 255) {
                reply.error = "\"exit\" must be an exit status 0..255";
                return reply;
            }
            outcome.exit_code = static_cast<int>(*code);
            outcome.out = StringMember(*value, "stdout").value_or("");
            outcome.err = StringMember(*value, "stderr").value_or("");
        }
        reply.command = std::move(outcome);
    }
    reply.valid = true;
    return reply;
}

std::string EncodeCommandReply(const CommandOutcome& outcome) {
    Json value = {{"version", kInstanceProtocolVersion}, {"ok", true}};
    if (outcome.direct) {
        value["direct"] = true;
    } else if (!outcome.question.empty()) {
        value["question"] = outcome.question;
    } else {
        value["exit"] = outcome.exit_code;
        value["stdout"] = outcome.out;
        value["stderr"] = outcome.err;
    }
    return EncodeJson(value) + "\n";
}

}  // namespace veltra
