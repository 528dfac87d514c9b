// jexlib on a big library: 100 000 nodes, an 8 MB text and 50 attachments of
// 1 MB.  Export against copying the same tree of files with the standard
// library (target: at most 2x), and search through all content against
// grep -F over the exported files, in MB/s.
//
// Usage: jexlib_bench [RUNS]   (best of RUNS, default 3)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/bench_files.h"
#include "bench/library.h"
#include "jexlib/commands.h"
#include "store/db_binary.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"

namespace fs = std::filesystem;

namespace {

class Silent : public jexlib::Reporter {
public:
    void print(std::string_view) override { ++lines; }
    void note(std::string_view) override {}
    int lines = 0;
};

double seconds(const std::function<void()>& work, int runs, const std::function<void()>& before = {}) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        if (before) before();
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void makeLibrary(const std::string& path) {
    store::DbConnection db;
    store::openSnippetDatabase(db, path.c_str(), false);
    bench::fillLibrary(db, bench::LibraryShape{100000, 1000});
    store::DbSqlBuffer b;
    auto lock = db.lock();
    db.execute(store::sql::kBegin);
    // The 8 MB text: code lines, one of them holding the word searched for.
    std::string big;
    for (int line = 0; big.size() < 8u * 1024 * 1024; ++line)
        big += line == 100000 ? "    int needle = find(haystack);\n"
                              : "    total += compute(value_" + std::to_string(line) + ", \"big text\"); // 大文本\n";
    db.execute(b.format(store::sql::kInsertNode, 1, 1000, 1, 2, "big.cpp"));
    int bigId = int(db.lastInsertId());
    db.execute(b.format(store::sql::kSaveContent, big.c_str(), "", bigId));
    db.execute(b.format(store::sql::kInsertNode, 1, 1001, 1, 23, "attachments.txt"));
    int holder = int(db.lastInsertId());
    std::vector<unsigned char> bytes = bench::attachmentBytes();
    for (int i = 0; i < 50; ++i) {
        store::DbBinary data;
        data.setBinary(bytes.data() + i * 4096, 1024 * 1024);
        std::string title = "part" + std::to_string(i) + ".bin";
        db.execute(b.format(store::sql::kInsertAttachmentData, holder, title.c_str(), 1024 * 1024, data.getEncoded()));
    }
    db.execute(store::sql::kCommit);
}

std::uint64_t treeBytes(const fs::path& dir, std::uint64_t& files) {
    std::uint64_t bytes = 0;
    files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) bytes += e.file_size(), ++files;
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::string library = bench::freshFile("jexlib_bench.db");
    fs::path out = fs::temp_directory_path() / "jexlib_bench_export";
    fs::path copy = fs::temp_directory_path() / "jexlib_bench_copy";
    fs::remove_all(out);
    fs::remove_all(copy);

    auto made = std::chrono::steady_clock::now();
    makeLibrary(library);
    std::printf("library: 100000 nodes, an 8 MB text, 50 attachments of 1 MB: %.1f MB, made in %.1f s\n",
                double(fs::file_size(library)) / 1048576.0,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count());

    Silent silent;
    double exportTime = seconds([&] { jexlib::exportLibrary(library, out, {}, silent); }, runs,
                                [&] { fs::remove_all(out); });
    std::uint64_t files = 0;
    std::uint64_t bytes = treeBytes(out, files);
    double copyTime = seconds([&] { fs::copy(out, copy, fs::copy_options::recursive); }, runs,
                              [&] { fs::remove_all(copy); });
    std::printf("export: %.2f s for %llu files, %.1f MB (best of %d)\n", exportTime, (unsigned long long)files,
                double(bytes) / 1048576.0, runs);
    std::printf("copy of the same tree with std::filesystem::copy: %.2f s\n", copyTime);
    std::printf("export / copy: %.2f (target: at most 2)\n", exportTime / copyTime);

    store::DbConnection db;
    store::openSnippetDatabaseReadOnly(db, library.c_str());
    double text = db.scalar("SELECT sum(length(CAST(content AS BLOB)) + coalesce(length(CAST(memo AS BLOB)), 0)) / 1024 "
                            "FROM content_tbl;") / 1024.0;
    db.close();
    int found = 0;
    double searchTime = seconds([&] { found = int(jexlib::searchLibrary(library, "needle", silent)); }, runs);
    std::printf("search \"needle\": %d line(s), %.1f MB of texts and memos in %.2f s: %.0f MB/s\n", found, text,
                searchTime, text / searchTime);
    std::string tree = out.string();
    for (const char* flags : {"-rF", "-rFi"}) {
        std::string command = std::string("grep ") + flags + " --exclude-dir='*.files' needle '" + tree + "' >/dev/null";
        double grepTime = seconds([&] { (void)std::system(command.c_str()); }, runs);
        std::printf("grep %s over the exported texts and memos: %.2f s: %.0f MB/s\n", flags, grepTime,
                    text / grepTime);
    }
    // grep's own speed, without opening 100 000 files: the same texts in one file.
    fs::path one = fs::temp_directory_path() / "jexlib_bench_all.txt";
    std::string gather = "find '" + tree + "' -type f -not -path '*.files/*' -exec cat {} + > '" + one.string() + "'";
    (void)std::system(gather.c_str());
    std::string command = "grep -F needle '" + one.string() + "' >/dev/null";
    double oneTime = seconds([&] { (void)std::system(command.c_str()); }, runs);
    std::printf("grep -F over one file holding them: %.2f s: %.0f MB/s\n", oneTime,
                double(fs::file_size(one)) / 1048576.0 / oneTime);
    fs::remove(one);
    fs::remove_all(out);
    fs::remove_all(copy);
    fs::remove(library);
    return 0;
}
