// Makes (or finds) the datasets of the content benchmark under the benchmark root, and tells a script where
// they are and what a comparison of each must find: one line per dataset, fields separated by tabs,
//
//   label  directory-1  directory-2  files-per-directory  bytes-per-file  data-bytes  equal-files  pairs
//
// where bytes-per-file is one number, or a range lo-hi when the sizes vary, data-bytes is the size of both
// directories together, equal-files counts the directory-2 files that equal a directory-1 file, and pairs the
// coinciding (directory-1, directory-2) pairs.
//
//   vestrel-bench-datasets [LABEL...]     (default: every dataset; labels: C1 C2 C3 S30K M100K)

#include "datasets.h"

#include <cstdio>
#include <cstring>
#include <variant>
#include <vector>

namespace {

struct Labelled
{
    const char *label;
    std::variant<ContentPair, MixedContentPair> pair;
};

std::vector<Labelled> contentDatasets()
{
    using Layout = ContentPair::Layout;
    return {
        // Many small files of one size, nearly all distinct: the first block decides.
        {"C1",
         ContentPair{QStringLiteral("contents-c1-random-4k"), Layout::randomWithCopies, 2000, 4096, 20, 0}},
        // Files that differ only at their very end: everything is read.
        {"C2", ContentPair{QStringLiteral("contents-c2-prefix-1m"), Layout::sharedPrefix, 300,
                           qint64(1) << 20, 0, 10}},
        // Large files, all equal: everything is read and every pair coincides.
        {"C3",
         ContentPair{QStringLiteral("contents-c3-equal-64m"), Layout::allEqual, 20, qint64(64) << 20, 0, 0}},
        // Very many files of one size, one in twenty a copy: what the classes hold must not grow with them.
        {"S30K", ContentPair{QStringLiteral("contents-s30k-random-4k"), Layout::randomWithCopies, 30000, 4096,
                             20, 0}},
        // Two copies of a large folder that went their own ways: small files of many sizes, a tenth of each
        // directory's files still equal to their namesakes.
        {"M100K", MixedContentPair{QStringLiteral("contents-m100k-mixed-16k"), 100000, 16384, 5, 300}},
    };
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<Labelled> all = contentDatasets();
    std::vector<const Labelled *> chosen;
    for (int i = 1; i < argc; ++i) {
        const Labelled *found = nullptr;
        for (const Labelled &d : all)
            if (std::strcmp(argv[i], d.label) == 0)
                found = &d;
        if (!found) {
            std::fprintf(stderr, "vestrel-bench-datasets: unknown dataset %s (known: C1 C2 C3 S30K M100K)\n",
                         argv[i]);
            return 1;
        }
        chosen.push_back(found);
    }
    if (chosen.empty())
        for (const Labelled &d : all)
            chosen.push_back(&d);

    const QString root = benchRoot();
    for (const Labelled *d : chosen) {
        ContentPairFacts f;
        int files = 0;
        QByteArray bytes;
        if (const auto *pair = std::get_if<ContentPair>(&d->pair)) {
            f = ensureContentPair(root, *pair);
            files = pair->filesPerDir;
            bytes = QByteArray::number(pair->bytesPerFile);
        } else {
            const auto &mixed = std::get<MixedContentPair>(d->pair);
            f = ensureMixedContentPair(root, mixed);
            files = mixed.filesPerDir;
            bytes = "0-" + QByteArray::number(mixed.maxBytes);
        }
        std::printf("%s\t%s\t%s\t%d\t%s\t%lld\t%lld\t%lld\n", d->label, qPrintable(f.paths.first),
                    qPrintable(f.paths.second), files, bytes.constData(), qint64(f.dataBytes),
                    qint64(f.equalFiles), qint64(f.expectedPairs));
        std::fflush(stdout);
    }
    return 0;
}
