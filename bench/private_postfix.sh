#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A Postfix of its own for the send benchmark: configuration, queue and log in
# a fresh folder, smtpd on a free loopback port with STARTTLS and a Cyrus SASL
# login from a sasldb of that folder, every mail discarded. Needs root.
#   private_postfix.sh start CERT KEY USER PASSWORD   prints "FOLDER PORT"
#   private_postfix.sh stop FOLDER                    stops it and removes FOLDER
set -eu

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

write_main_cf() {
    cat >"$1/conf/main.cf" <<EOF
compatibility_level = 3.6
queue_directory = $1/queue
data_directory = $1/data
maillog_file = $1/maillog
maillog_file_prefixes = $1
mail_owner = postfix
setgid_group = postdrop
myhostname = localhost
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
alias_maps =
alias_database =
local_recipient_maps =
default_transport = discard
local_transport = discard
relay_transport = discard
smtpd_tls_security_level = may
smtpd_tls_cert_file = $1/cert.pem
smtpd_tls_key_file = $1/key.pem
smtpd_tls_auth_only = yes
smtpd_sasl_auth_enable = yes
smtpd_sasl_type = cyrus
smtpd_sasl_path = smtpd
cyrus_sasl_config_path = $1/conf/sasl
smtpd_relay_restrictions = permit_mynetworks permit_sasl_authenticated reject_unauth_destination
EOF
}

# No chroot: the folder's absolute paths must work as they are.
write_master_cf() {
    cat >"$1/conf/master.cf" <<EOF
127.0.0.1:$2 inet n - n - - smtpd
pickup    unix n - n 60 1 pickup
cleanup   unix n - n - 0 cleanup
qmgr      unix n - n 300 1 qmgr
tlsmgr    unix - - n 1000? 1 tlsmgr
rewrite   unix - - n - - trivial-rewrite
bounce    unix - - n - 0 bounce
defer     unix - - n - 0 bounce
trace     unix - - n - 0 bounce
verify    unix - - n - 1 verify
flush     unix n - n 1000? 0 flush
proxymap  unix - - n - - proxymap
showq     unix n - n - - showq
error     unix - - n - - error
retry     unix - - n - - error
discard   unix - - n - - discard
anvil     unix - - n - 1 anvil
scache    unix - - n - 1 scache
postlog   unix-dgram n - n - 1 postlogd
EOF
}

# Debian's smtpd reads the configuration's sasl/smtpd.conf whatever the path says.
write_sasl() {
    sasl="$1/conf/sasl"
    mkdir "$sasl"
    printf 'pwcheck_method: auxprop\nauxprop_plugin: sasldb\nsasldb_path: %s\nmech_list: PLAIN LOGIN\n' \
        "$sasl/sasldb2" >"$sasl/smtpd.conf"
    # The realm is the server's name, myhostname above.
    printf '%s' "$3" | saslpasswd2 -f "$sasl/sasldb2" -p -c -u localhost "$2"
    chgrp postfix "$sasl/sasldb2"
    chmod 0640 "$sasl/sasldb2"
}

start() {
    # On the disk as a real spool is, whatever TMPDIR says.
    dir=$(mktemp -d /var/tmp/lp-postfix.XXXXXX)
    trap 'rm -rf "$dir"' EXIT # a step that fails leaves nothing behind
    chmod 0755 "$dir" # smtpd and postlogd run as postfix
    mkdir "$dir/conf" "$dir/queue" "$dir/data"
    chown postfix "$dir/data"
    install -m 0644 "$1" "$dir/cert.pem"
    install -m 0600 "$2" "$dir/key.pem"
    port=$(free_port)
    write_main_cf "$dir"
    write_master_cf "$dir" "$port"
    write_sasl "$dir" "$3" "$4"
    if ! postfix -c "$dir/conf" start >"$dir/start.log" 2>&1; then
        cat "$dir/start.log" >&2
        rm -rf "$dir"
        exit 1
    fi
    trap - EXIT
    echo "$dir $port"
}

# postfix stop returns at once; the master may take a moment, never long.
stop() {
    case "$1" in /var/tmp/lp-postfix.*) ;; *) echo "not a bench Postfix: $1" >&2; exit 1 ;; esac
    pidfile="$1/queue/pid/master.pid"
    pid=$(tr -d ' ' <"$pidfile" 2>/dev/null || true)
    postfix -c "$1/conf" stop >/dev/null 2>&1 || true
    tries=0
    while [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null || postfix -c "$1/conf" abort >/dev/null 2>&1 || true
    rm -rf "$1"
}

command=$1
shift
case "$command" in
start) start "$@" ;;
stop) stop "$@" ;;
*) echo "usage: $0 start CERT KEY USER PASSWORD | stop FOLDER" >&2; exit 2 ;;
esac
