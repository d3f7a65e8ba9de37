#include "folders/FolderList.h"

namespace tsrn::folders {

FolderRecord FolderList::Record(std::size_t position) const {
    return {LongPath(position), ShortPath(position), Description(position), State(position),
            Kind(position)};
}

void FolderList::Append(FolderRecord record) {
    longPaths_.push_back(std::move(record.longPath));
    shortPaths_.push_back(std::move(record.shortPath));
    descriptions_.push_back(std::move(record.description));
    states_.push_back(record.state);
    kinds_.push_back(record.kind);
}

void FolderList::CopyPathsStateAndKind(std::size_t destination, std::size_t source) {
    longPaths_.at(destination) = longPaths_.at(source);
    shortPaths_.at(destination) = shortPaths_.at(source);
    states_.at(destination) = states_.at(source);
    kinds_.at(destination) = kinds_.at(source);
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
}

}  // namespace tsrn::folders
