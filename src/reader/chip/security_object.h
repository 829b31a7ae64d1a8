#pragma once

// EF.SOD, the chip's signed table of data group hashes: tag 77 around a CMS
// SignedData whose content is the LDS security object (version, hash
// algorithm, then the hash of every data group the issuer wrote). Plain DER
// here; the signature is the business of a SignedDataVerifier.

#include "reader/chip/bytes.h"

#include <map>
#include <string>
#include <string_view>

namespace readerlink::chip {

// Content type of the signed security object, and of an ICAO master list.
constexpr std::string_view kLdsSecurityObjectOid = "2.23.136.1.1.1";
constexpr std::string_view kCscaMasterListOid = "2.23.136.1.1.2";

struct SecurityObject {
    std::string hashAlgorithm;            // dotted OID, "2.16.840.1.101.3.4.2.1" for SHA-256
    std::map<int, Bytes> dataGroupHashes; // data group 1..16 -> its hash
};

// The CMS bytes inside EF.SOD's tag 77. MalformedDataError otherwise.
Bytes unwrapEfSod(ByteView efSod);
Bytes wrapEfSod(ByteView cms);

// MalformedDataError for anything but a DER LDS security object with data
// group numbers 1 to 16, each listed once.
SecurityObject parseSecurityObject(ByteView der);
Bytes encodeSecurityObject(const SecurityObject& object);

// Dotted text of an OBJECT IDENTIFIER's value bytes and back.
std::string oidText(ByteView value);
Bytes oidValue(std::string_view dotted);

// "SHA-256" for a known hash OID, else the dotted OID itself.
std::string hashAlgorithmName(std::string_view oid);

} // namespace readerlink::chip
