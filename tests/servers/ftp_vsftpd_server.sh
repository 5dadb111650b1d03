#!/bin/sh
# Runs a stock vsftpd in the foreground for the tests: anonymous login (any password) on
# 127.0.0.1:PORT with a writable folder "pub" below ROOT. ROOT itself must not be writable by
# the ftp user (vsftpd refuses a writable chroot). Needs root, like vsftpd itself.
# With CERT and KEY (PEM files) it demands explicit TLS for the login and the data, and data
# connections that resume the control connection's session (vsftpd's default).
# Usage: ftp_vsftpd_server.sh ROOT PORT [CERT KEY]
set -eu
root=$1
port=$2
cert=${3:-}
key=${4:-}
conf="$root.vsftpd.conf"
mkdir -p "$root/pub" /var/run/vsftpd/empty
chown root:root "$root"
chmod 755 "$root"
chown ftp:ftp "$root/pub"
cat >"$conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
local_enable=NO
write_enable=YES
anon_root=$root
no_anon_password=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
ftp_username=ftp
secure_chroot_dir=/var/run/vsftpd/empty
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
xferlog_enable=NO
syslog_enable=NO
vsftpd_log_file=/dev/null
connect_from_port_20=NO
pasv_enable=YES
port_enable=YES
use_localtime=YES
max_clients=64
CONF
if [ -n "$cert" ]; then
  cat >>"$conf" <<CONF
ssl_enable=YES
rsa_cert_file=$cert
rsa_private_key_file=$key
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
ssl_ciphers=HIGH
strict_ssl_read_eof=YES
CONF
fi
exec /usr/sbin/vsftpd "$conf"
