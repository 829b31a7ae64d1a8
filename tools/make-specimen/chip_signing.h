#pragma once

// Signs a specimen's chip with the specimens' test PKI: writes the EF.SOD
// file its "chip" names in "sod". The PKI lives beside the specimens (pki/,
// keys and certificates, made on first use) with its CSCA certificate in
// trust/, the folder a station's trust setting can point to.
//
// "sodSigner": "untrusted" signs under a CSCA outside trust/, "expired" with
// an expired Document Signer; "sodTamperedGroup": N signs a hash of data
// group N that does not match what the chip holds.

#include <filesystem>
#include <iosfwd>

namespace readerlink::specimentool {

// False with a message on `errors` when the specimen cannot be signed; true
// when signed or when it names no "sod".
bool signSpecimenChip(const std::filesystem::path& specimenFile, std::ostream& out,
                      std::ostream& errors);

} // namespace readerlink::specimentool
