// Writes a big snippet library, for measurements and for trying the program
// on one:
//
//   make_library OUT.db [nodes] [folder-size] [--without-indexes]
//
// OUT.db (which must not exist) is a real snippet database, with the
// program's key and schema, holding `nodes` nodes (100 000) in nested
// folders, one of which holds `folder-size` texts (1 000); that folder's id
// is printed.  With --without-indexes the file is as versions without the
// indexes left it; the program adds them when it first opens it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/library.h"
#include "store/schema.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: make_library OUT.db [nodes] [folder-size] [--without-indexes]\n");
    return 2;
}

// A whole decimal number of at least 1, else 0.
int count(const std::string& text) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value > 0 && value <= 100000000 ? int(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool withIndexes = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--without-indexes")
            withIndexes = false;
        else
            args.push_back(argv[i]);
    }
    if (args.empty() || args.size() > 3) return usage();
    bench::LibraryShape shape;
    if (args.size() > 1 && !(shape.nodes = count(args[1]))) return usage();
    if (args.size() > 2 && !(shape.bigFolder = count(args[2]))) return usage();
    const std::string& out = args[0];
    if (std::filesystem::exists(out)) {
        std::fprintf(stderr, "make_library: %s exists\n", out.c_str());
        return 1;
    }

    auto start = std::chrono::steady_clock::now();
    store::DbConnection db;
    try {
        store::openSnippetDatabase(db, out.c_str(), false);
        bench::Library library = bench::fillLibrary(db, shape);
        if (!withIndexes) bench::dropIndexes(db);
        db.close();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::fprintf(stderr, "make_library: %s: %d nodes, %d texts, %d attachments, %ju bytes%s, %.1f s\n", out.c_str(),
                     library.nodes, library.texts, library.attachments, std::uintmax_t(std::filesystem::file_size(out)),
                     withIndexes ? "" : ", without indexes", took.count());
        std::printf("%d\n", library.bigFolderId);
        return 0;
    } catch (const store::CppSQLite3Exception& e) {
        std::fprintf(stderr, "make_library: %s\n", e.errorMessage());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_library: %s\n", e.what());
    }
    db.close();
    std::filesystem::remove(out);
    return 1;
}
