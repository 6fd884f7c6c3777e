#pragma once
// An EntryWriter that keeps the files in memory as a file system would: one content per name
// (optionally ignoring ASCII case), safe to use from several threads. As the launcher's writer,
// it creates only new files and replaces only one it made. It can refuse a name, stop after some
// pieces, and notices two records of one file written at the same time.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstddef>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "payload/unpack.h"

namespace tarven::test {

class MemoryWriter final : public EntryWriter {
public:
    // Settings, before the unpacking starts.
    bool ignore_case = false;
    std::string refuse;  // creating a file of this name fails
    std::size_t stop_after_pieces = std::numeric_limits<std::size_t>::max();

    bool stop_requested() override { return pieces_ >= stop_after_pieces; }

    Result<CreatedFile> create(std::string_view name) override { return open(name, false); }
    Result<CreatedFile> replace(std::string_view name) override { return open(name, true); }

    int compare_names(std::string_view a, std::string_view b) const override { return key_of(a).compare(key_of(b)); }

    // What the unpacking left, by name (lower-case when ignoring case).
    std::map<std::string, std::string> files;
    std::vector<std::string> created;  // in the order of creation
    bool same_file_at_once = false;

private:
    Result<CreatedFile> open(std::string_view name, bool replacing) {
        if (stop_requested()) return CreatedFile{UnpackEnd::stopped, nullptr};
        if (name == refuse) return fail("access is denied (os error 5)");
        const std::lock_guard lock(mutex_);
        const std::string key = key_of(name);
        if (files.contains(key) != replacing)
            return fail(replacing ? "not made here" : "the file exists (os error 80)");
        if (!open_.insert(key).second) same_file_at_once = true;
        files[key].clear();
        created.emplace_back(name);
        return CreatedFile{UnpackEnd::done, std::make_unique<File>(*this, key)};
    }

    class File final : public EntryFile {
    public:
        File(MemoryWriter& writer, std::string key) : writer_(writer), key_(std::move(key)) {}
        ~File() override {
            const std::lock_guard lock(writer_.mutex_);
            writer_.open_.erase(key_);
        }
        Result<UnpackEnd> write(std::string_view piece) override {
            if (writer_.stop_requested()) return UnpackEnd::stopped;
            const std::lock_guard lock(writer_.mutex_);
            writer_.files[key_] += piece;
            ++writer_.pieces_;
            return UnpackEnd::done;
        }
        void discard() override {
            const std::lock_guard lock(writer_.mutex_);
            writer_.files.erase(key_);
        }

    private:
        MemoryWriter& writer_;
        std::string key_;
    };

    std::string key_of(std::string_view name) const {
        std::string key(name);
        if (ignore_case)
            std::transform(key.begin(), key.end(), key.begin(),
                           [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        return key;
    }

    std::mutex mutex_;
    std::set<std::string> open_;
    std::atomic<std::size_t> pieces_{0};
};

}  // namespace tarven::test
