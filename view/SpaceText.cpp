#include "SpaceText.h"

#include "Format.h"
#include "ResTables.h"
#include "SetTable.h"

namespace {

QString CountText(std::uint64_t n, int nOneId, int nManyId) {
    return n == 1 ? LoadResString(nOneId) : LoadResString(nManyId).arg(QString::number(n));
}

}  // namespace

QString SpaceText(std::uint64_t nBytes) {
    if (nBytes == 0) return LoadResString(IDS_ZERO_BYTES);
    return QString::fromLatin1(FormatFileSize(nBytes));
}

QString SetsSummaryText(const CSetSummary& summary) {
    return LoadResString(IDS_SPACE_SUMMARY)
        .arg(CountText(summary.nSets, IDS_SETS_ONE, IDS_SETS_MANY),
             CountText(summary.nExtraCopies, IDS_EXTRA_COPIES_ONE, IDS_EXTRA_COPIES_MANY),
             SpaceText(summary.nBytesToFree));
}

QString SelectionText(std::uint64_t nFiles, std::uint64_t nBytes) {
    if (nFiles == 1) return LoadResString(IDS_SELECTED_ONE).arg(SpaceText(nBytes));
    return LoadResString(IDS_SELECTED_MANY).arg(QString::number(nFiles), SpaceText(nBytes));
}
