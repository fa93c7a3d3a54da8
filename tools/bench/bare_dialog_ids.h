/* Identifiers of the bare dialog's resources; plain #define lines only, as
 * the resource compiler reads this file too. */
#ifndef NORVA_TOOLS_BENCH_BARE_DIALOG_IDS_H
#define NORVA_TOOLS_BENCH_BARE_DIALOG_IDS_H

#define IDD_BARE 100

#endif
