// SPDX-License-Identifier: MIT
#pragma once
// The validating resolver (libunbound) and the DNS packet library (ldns) behind DNS records,
// opened on first use rather than linked: together with what they bring (libevent, nettle,
// OpenSSL) they are a tenth of the program's libraries, and most runs never ask for a record.
// The functions are called through this table; get() opens both libraries once and gives
// nullptr when either is missing, so every caller has a plain answer for that case.

// stdbool.h first: without it ldns defines true and false as macros.
#include <stdbool.h> // NOLINT(modernize-deprecated-headers)

#include <ldns/ldns.h>
#include <unbound.h>

namespace net {

// clang-format off
#define VINTREL_UNBOUND_FUNCTIONS(X)                                                              \
    X(ub_ctx_create) X(ub_ctx_delete) X(ub_ctx_async) X(ub_ctx_set_option)                        \
    X(ub_ctx_resolvconf) X(ub_ctx_hosts) X(ub_ctx_set_stub) X(ub_ctx_set_fwd)                    \
    X(ub_ctx_add_ta_file) X(ub_ctx_zone_remove) X(ub_resolve_async) X(ub_resolve_free)           \
    X(ub_cancel) X(ub_fd) X(ub_poll) X(ub_process) X(ub_strerror)

#define VINTREL_LDNS_FUNCTIONS(X)                                                                 \
    X(ldns_wire2pkt) X(ldns_pkt2wire) X(ldns_pkt_free) X(ldns_pkt_query_new_frm_str)             \
    X(ldns_pkt_set_id) X(ldns_pkt_set_edns_udp_size) X(ldns_pkt_set_edns_do)                     \
    X(ldns_pkt_get_rcode) X(ldns_pkt_answer) X(ldns_pkt_authority) X(ldns_pkt_additional)        \
    X(ldns_pkt_qr) X(ldns_pkt_aa) X(ldns_pkt_tc) X(ldns_pkt_rd) X(ldns_pkt_ra) X(ldns_pkt_ad)    \
    X(ldns_pkt_cd) X(ldns_rr_list_rr_count) X(ldns_rr_list_rr) X(ldns_rr_get_type)               \
    X(ldns_rr_owner) X(ldns_rr2str) X(ldns_rdf2str) X(ldns_rr_type2str)                          \
    X(ldns_get_rr_type_by_name) X(ldns_rr_rd_count) X(ldns_rr_rdf) X(ldns_rdf_get_type)         \
    X(ldns_rr_get_class) X(ldns_rdf2rr_type) X(ldns_dname_compare) X(ldns_rr_list_new)           \
    X(ldns_rr_list_push_rr) X(ldns_rr_list_free) X(ldns_verify_rrsig_keylist_time)               \
    X(ldns_get_errorstr_by_id) X(ldns_wire2rr) X(ldns_rr_free) X(ldns_buffer_new)                \
    X(ldns_buffer_free) X(ldns_rr_rdata2buffer_wire) X(ldns_rr_ttl)                       \
    X(ldns_verify_rrsig_time) X(ldns_rr_compare_ds) X(ldns_rr_compare) X(ldns_rr_new_frm_str)   \
    X(ldns_rr_dnskey_key_size) X(ldns_key_algo_supported)
// clang-format on

struct DnsLibrary {
#define VINTREL_DNS_FUNCTION(name) decltype(&::name) name = nullptr;
    VINTREL_UNBOUND_FUNCTIONS(VINTREL_DNS_FUNCTION)
    VINTREL_LDNS_FUNCTIONS(VINTREL_DNS_FUNCTION)
#undef VINTREL_DNS_FUNCTION

    // The crypto library's OPENSSL_thread_stop, where it has one.
    void (*threadStop)() = nullptr;

    // Both libraries with every function, or nullptr (missing() then names what is missing).
    static const DnsLibrary* get();
    // Gives back what the crypto library keeps for the calling thread (its error queue, its
    // random state). A pool thread that checked signatures calls it before it returns to the
    // pool: the library frees that state only when a thread ends, and a pool thread may still
    // be ending as the program exits, its state then lost.
    static void releaseThreadState();
    static const char* missing();
};

} // namespace net
