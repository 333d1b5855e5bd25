#include "update_helper/swap_journal.h"

namespace melkrin::updhelper {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A plain file name: no folder, no control character (which also keeps tabs
// and line ends out of the record).
bool plainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 32 || c == '\\' || c == '/' || c == ':') return false;
    return true;
}

bool sha256Hex(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::optional<std::uint64_t> byteCount(const std::string& text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

const char* phaseWord(SwapPhase phase) {
    switch (phase) {
        case SwapPhase::Install: return "install";
        case SwapPhase::RollBack: return "rollback";
        case SwapPhase::Repaired: return "repaired";
    }
    return "";
}

const char* outcomeWord(RepairOutcome outcome) {
    switch (outcome) {
        case RepairOutcome::Completed: return "completed";
        case RepairOutcome::RolledBack: return "rolled back";
        case RepairOutcome::Unfinished: return "unfinished";
    }
    return "";
}

}  // namespace

std::string formatJournal(const SwapJournal& journal) {
    std::string text = std::string(phaseWord(journal.phase)) + "\r\n";
    if (journal.phase == SwapPhase::Repaired) {
        text += std::string(outcomeWord(journal.outcome)) + "\r\n" + (journal.filesMoved ? "1" : "0") + "\r\n";
        for (const std::string& note : journal.notes) text += note + "\r\n";
        return text;
    }
    for (const JournalEntry& entry : journal.entries) {
        text += std::string(entry.hadTarget ? "1" : "0") + "\t" + entry.pending + "\t" + entry.target;
        if (entry.check) text += "\t" + std::to_string(entry.check->size) + "\t" + entry.check->sha256;
        text += "\r\n";
    }
    return text;
}

std::optional<SwapJournal> parseJournal(const std::string& text) {
    // Written whole or not at all: a text without its last line end is not ours.
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return std::nullopt;
    const std::vector<std::string> lines = linesOf(text);
    SwapJournal journal;
    if (lines[0] == "repaired") {
        if (lines.size() < 3) return std::nullopt;
        journal.phase = SwapPhase::Repaired;
        if (lines[1] == "completed")
            journal.outcome = RepairOutcome::Completed;
        else if (lines[1] == "rolled back")
            journal.outcome = RepairOutcome::RolledBack;
        else if (lines[1] == "unfinished")
            journal.outcome = RepairOutcome::Unfinished;
        else
            return std::nullopt;
        if (lines[2] != "0" && lines[2] != "1") return std::nullopt;
        journal.filesMoved = lines[2] == "1";
        journal.notes.assign(lines.begin() + 3, lines.end());
        return journal;
    }
    if (lines[0] == "install")
        journal.phase = SwapPhase::Install;
    else if (lines[0] == "rollback")
        journal.phase = SwapPhase::RollBack;
    else
        return std::nullopt;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = fieldsOf(lines[i]);
        if ((fields.size() != 3 && fields.size() != 5) || (fields[0] != "0" && fields[0] != "1")) return std::nullopt;
        JournalEntry entry;
        entry.hadTarget = fields[0] == "1";
        entry.pending = fields[1];
        entry.target = fields[2];
        if (!plainName(entry.pending) || !plainName(entry.target)) return std::nullopt;
        if (fields.size() == 5) {
            const auto size = byteCount(fields[3]);
            if (!size || !sha256Hex(fields[4])) return std::nullopt;
            entry.check = FileCheck{*size, fields[4]};
        }
        journal.entries.push_back(entry);
    }
    return journal;
}

}  // namespace melkrin::updhelper
