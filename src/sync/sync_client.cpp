#include "sync/sync_client.h"

#include "sync/printable.h"

namespace quadrelume::sync {
namespace {

// Bytes as a quoted text for a message.
std::string quoted(std::string_view bytes) { return "\"" + printable(bytes) + "\""; }

// Whether the clock reading `now` has reached `moment`, across wrap-around.
bool reached(std::uint32_t now, std::uint32_t moment) { return static_cast<std::int32_t>(now - moment) >= 0; }

}  // namespace

SyncClient::SyncClient(std::vector<platform::NetworkAddress> addresses, TrackSet& tracks, std::FILE* messages,
                       Clock clock)
    : addresses_(std::move(addresses)), tracks_(tracks), messages_(messages), clock_(clock) {}

const std::string& SyncClient::editorAddress() const {
    return addresses_[(attempts_ + addresses_.size() - 1) % addresses_.size()].text;
}

void SyncClient::update(EditorControls& controls) {
    if (addresses_.empty()) return;
    const std::uint32_t now = clock_();
    if (state_ == State::waiting && (firstAttempt_ || reached(now, nextAttempt_))) startAttempt(now);
    if (state_ == State::connecting) finishConnecting(now);
    if (state_ == State::greeting) readGreeting(now);
    if (state_ == State::connected) {
        askForNewTracks();
        readCommands(controls);
    }
    flush();
}

void SyncClient::tellRow(std::uint32_t row) {
    if (state_ != State::connected || told_ == row) return;
    Command command;
    command.code = CommandCode::setRow;
    command.row = row;
    appendCommand(outgoing_, command);
    told_ = row;
    flush();
}

void SyncClient::startAttempt(std::uint32_t now) {
    firstAttempt_ = false;
    attemptStart_ = now;
    nextAttempt_ = now + retryMilliseconds;
    const platform::NetworkAddress& address = addresses_[attempts_++ % addresses_.size()];
    std::string error;
    stream_ = platform::TcpStream::connect(address, &error);
    if (stream_ == nullptr) {
        drop(quiet_ ? "" : "no sync editor at " + address.text + " yet (" + error + "); trying again every second");
        return;
    }
    state_ = State::connecting;
}

void SyncClient::finishConnecting(std::uint32_t now) {
    std::string error;
    switch (stream_->poll(&error)) {
        case platform::TcpStream::State::connecting:
            if (reached(now, attemptStart_ + retryMilliseconds)) drop("");
            return;
        case platform::TcpStream::State::failed:
            drop(quiet_ ? "" : "no sync editor at " + editorAddress() + " yet (" + error + "); trying again every second");
            return;
        case platform::TcpStream::State::open:
            outgoing_.assign(demoGreeting);
            greeting_.clear();
            attemptStart_ = now;
            state_ = State::greeting;
            return;
    }
}

void SyncClient::readGreeting(std::uint32_t now) {
    char bytes[editorGreeting.size()];
    std::string error;
    const long got = stream_->read(bytes, editorGreeting.size() - greeting_.size(), &error);
    if (got < 0) {
        drop("the sync editor at " + editorAddress() + " closed the connection before it greeted (" + error +
             "); trying again every second");
        return;
    }
    greeting_.append(bytes, static_cast<std::size_t>(got));
    if (editorGreeting.substr(0, greeting_.size()) != greeting_) {
        drop("closed the connection to the sync editor at " + editorAddress() + ", which answered " +
             quoted(greeting_) + " instead of " + quoted(editorGreeting));
        return;
    }
    if (greeting_.size() < editorGreeting.size()) {
        if (reached(now, attemptStart_ + greetingMilliseconds))
            drop("closed the connection to the sync editor at " + editorAddress() +
                 ", which did not answer the greeting within " + std::to_string(greetingMilliseconds / 1000) +
                 " seconds");
        return;
    }
    state_ = State::connected;
    quiet_ = false;
    reader_.clear();
    asked_.clear();
    isAsked_.clear();
    edits_.clear();
    edited_.clear();
    told_.reset();
    std::fprintf(messages_, "quadrelume: connected to the sync editor at %s\n", editorAddress().c_str());
    std::fflush(messages_);
}

void SyncClient::askForNewTracks() {
    Command command;
    command.code = CommandCode::getTrack;
    isAsked_.resize(tracks_.size());
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        Track& track = tracks_[i];
        if (isAsked_[i] || !track.inUse()) continue;
        isAsked_[i] = true;
        asked_.push_back(&track);
        edits_.emplace_back();
        track.takeOverForEditor();
        command.name = track.name;
        appendCommand(outgoing_, command);
    }
}

void SyncClient::readCommands(EditorControls& controls) {
    takeCommands(controls);
    // Also after bad input or a lost editor: the good keys before it count.
    applyEdits();
}

void SyncClient::applyEdits() {
    for (std::uint32_t index : edited_) {
        applyKeyEdits(asked_[index]->editorKeys(), edits_[index]);
        edits_[index].clear();
    }
    edited_.clear();
}

void SyncClient::takeCommands(EditorControls& controls) {
    char bytes[65536];
    for (;;) {
        std::string error;
        const long got = stream_->read(bytes, sizeof bytes, &error);
        if (got == 0) return;
        if (got < 0) {
            drop("lost the sync editor at " + editorAddress() + " (" + error +
                 "); the tracks keep its values, and the demo tries again every second");
            return;
        }
        reader_.feed(bytes, static_cast<std::size_t>(got));
        Command command;
        for (;;) {
            CommandReader::Outcome outcome = reader_.next(command, static_cast<std::uint32_t>(asked_.size()), error);
            if (outcome == CommandReader::Outcome::needMore) break;
            if (outcome == CommandReader::Outcome::bad) {
                drop("closed the connection to the sync editor at " + editorAddress() + ", which sent " + error);
                return;
            }
            carryOut(command, controls);
            if (state_ != State::connected) return;
        }
    }
}

void SyncClient::carryOut(const Command& command, EditorControls& controls) {
    if (command.code == CommandCode::setKey || command.code == CommandCode::deleteKey) {
        // Gathered and applied together: one at a time, keys in descending
        // order would each move every key after them.
        if (edits_[command.track].empty()) edited_.push_back(command.track);
        edits_[command.track].push_back({command.key, command.code == CommandCode::deleteKey});
        return;
    }
    // What comes after the keys sees them in place (a save writes them).
    applyEdits();
    switch (command.code) {
        case CommandCode::setKey:
        case CommandCode::deleteKey: return;
        case CommandCode::setRow:
            told_ = command.row;
            controls.editorSeek(command.row);
            return;
        case CommandCode::pause: controls.editorPause(command.paused); return;
        case CommandCode::saveTracks: {
            std::size_t saved = 0;
            const std::string failures = tracks_.saveAll(&saved);
            if (failures.empty())
                std::fprintf(messages_, "quadrelume: saved %zu track file%s\n", saved, saved == 1 ? "" : "s");
            else
                std::fprintf(messages_, "quadrelume: the tracks were not all saved:\n%s", failures.c_str());
            std::fflush(messages_);
            return;
        }
        case CommandCode::getTrack:
            drop("closed the connection to the sync editor at " + editorAddress() +
                 ", which sent a GET_TRACK, a command only a demo sends");
            return;
    }
}

void SyncClient::flush() {
    while (stream_ != nullptr && !outgoing_.empty()) {
        std::string error;
        const long sent = stream_->write(outgoing_.data(), outgoing_.size(), &error);
        if (sent == 0) return;
        if (sent < 0) {
            drop("lost the sync editor at " + editorAddress() + " (" + error +
                 "); the tracks keep its values, and the demo tries again every second");
            return;
        }
        outgoing_.erase(0, static_cast<std::size_t>(sent));
    }
}

void SyncClient::drop(const std::string& message) {
    stream_.reset();
    outgoing_.clear();
    state_ = State::waiting;
    if (message.empty()) return;
    std::fprintf(messages_, "quadrelume: %s\n", message.c_str());
    std::fflush(messages_);
    quiet_ = true;
}

}  // namespace quadrelume::sync
