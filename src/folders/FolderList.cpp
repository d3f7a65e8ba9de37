#include "folders/FolderList.h"

namespace tsrn::folders {

namespace {

const std::string kNoText;

}  // namespace

const std::string& FolderList::LongPath(std::size_t position) const {
    return position < Size() ? longPaths_[position] : kNoText;
}

const std::string& FolderList::ShortPath(std::size_t position) const {
    return position < Size() ? shortPaths_[position] : kNoText;
}

const std::string& FolderList::Description(std::size_t position) const {
    return position < Size() ? descriptions_[position] : kNoText;
}

std::uint32_t FolderList::State(std::size_t position) const {
    return position < Size() ? states_[position] : 0;
}

FolderKind FolderList::Kind(std::size_t position) const {
    return position < Size() ? kinds_[position] : FolderKind::User;
}

Availability FolderList::Served(std::size_t position) const {
    return position < Size() ? served_[position] : Availability::Served;
}

void FolderList::SetServed(std::size_t position, Availability served) {
    if (position < Size()) {
        served_[position] = served;
    }
}

void FolderList::SetState(std::size_t position, std::uint32_t state) {
    if (position < Size()) {
        states_[position] = state;
    }
}

void FolderList::SetDescription(std::size_t position, std::string description) {
    if (position < Size()) {
        descriptions_[position] = std::move(description);
    }
}

void FolderList::SetShortPath(std::size_t position, std::string shortPath) {
    if (position < Size()) {
        shortPaths_[position] = std::move(shortPath);
    }
}

FolderRecord FolderList::Record(std::size_t position) const {
    return {LongPath(position), ShortPath(position), Description(position), State(position),
            Kind(position)};
}

void FolderList::Append(FolderRecord record, Availability served) {
    longPaths_.push_back(std::move(record.longPath));
    shortPaths_.push_back(std::move(record.shortPath));
    descriptions_.push_back(std::move(record.description));
    states_.push_back(record.state);
    kinds_.push_back(record.kind);
    served_.push_back(served);
}

void FolderList::CopyPathsStateAndKind(std::size_t destination, std::size_t source) {
    if (destination >= Size() || source >= Size()) {
        return;
    }
    longPaths_[destination] = longPaths_[source];
    shortPaths_[destination] = shortPaths_[source];
    states_[destination] = states_[source];
    kinds_[destination] = kinds_[source];
    served_[destination] = served_[source];
}

void FolderList::DropLast() {
    if (Empty()) {
        return;
    }
    longPaths_.pop_back();
    shortPaths_.pop_back();
    descriptions_.pop_back();
    states_.pop_back();
    kinds_.pop_back();
    served_.pop_back();
}

}  // namespace tsrn::folders
