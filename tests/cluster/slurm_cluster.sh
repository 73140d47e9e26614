#!/usr/bin/env bash
# A one-machine Slurm cluster for the scheduler test, started from Debian's
# packages (slurm-wlm, munge) without systemd, all of its state in a fresh
# folder, so nothing of a cluster already on the machine is touched.
#
#   slurm_cluster.sh start STATE   starts munged, slurmctld and slurmd; prints
#                                  the SLURM_CONF to use; exit 77 with the reason
#                                  on standard error when the cluster cannot start
#   slurm_cluster.sh stop STATE    stops the daemons started into STATE
set -u
action=$1
state=$2

skip() {
  echo "the Slurm cluster cannot start: $*" >&2
  "$0" stop "$state" >/dev/null 2>&1
  exit 77
}

stop() {
  for pid_file in "$state"/slurmd.pid "$state"/slurmctld.pid "$state"/munged.pid; do
    [ -s "$pid_file" ] || continue
    pid=$(cat "$pid_file")
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    rm -f "$pid_file"
  done
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi

for tool in munged slurmctld slurmd sbatch sinfo; do
  command -v "$tool" >/dev/null || PATH=$PATH:/usr/sbin command -v "$tool" >/dev/null ||
    skip "$tool is not installed (make test installs slurm-wlm and munge)"
done
export PATH=$PATH:/usr/sbin
[ "$(id -u)" = 0 ] || skip "the daemons need root here (they run jobs as their users)"
id munge >/dev/null 2>&1 || skip "there is no munge user"
[ -r /etc/munge/munge.key ] || skip "there is no /etc/munge/munge.key"

mkdir -p "$state" /run/munge
chown munge:munge /run/munge
chmod 0755 /run/munge
# munged insists on a folder only its user may write to and every user may
# pass through (to reach the socket).
mkdir -p "$state/munge"
chown munge:munge "$state/munge"
chmod 0711 "$state/munge"
socket=$state/munge/socket
runuser -u munge -- munged --socket="$socket" --pid-file="$state/munge/pid" \
  --log-file="$state/munge/log" --seed-file="$state/munge/seed" ||
  skip "munged does not start ($(tail -1 "$state/munge/log" 2>/dev/null))"
cp "$state/munge/pid" "$state/munged.pid"

# Free ports for the two daemons, so a second cluster of another checkout
# does not meet this one.
ports=$(python3 -c 'import socket
s=[socket.socket() for _ in range(2)]
[x.bind(("127.0.0.1",0)) for x in s]
print(" ".join(str(x.getsockname()[1]) for x in s))') || skip "no free ports"
read -r ctld_port d_port <<<"$ports"
node=$(slurmd -C 2>/dev/null | head -1)
case "$node" in NodeName=*) ;; *) skip "slurmd -C gives no node line" ;; esac
host=$(hostname -s)
cat >"$state/slurm.conf" <<CONF
ClusterName=razivavu
SlurmctldHost=$host
SlurmUser=root
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$state/ctld
SlurmdSpoolDir=$state/spool
SlurmctldPidFile=$state/slurmctld.pid
SlurmdPidFile=$state/slurmd.pid
SlurmctldLogFile=$state/slurmctld.log
SlurmdLogFile=$state/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MailProg=/bin/true
$node State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
mkdir -p "$state/ctld" "$state/spool"
export SLURM_CONF=$state/slurm.conf
slurmctld -i 2>"$state/slurmctld.err" || skip "slurmctld does not start: $(tail -1 "$state/slurmctld.log" 2>/dev/null)"
slurmd 2>"$state/slurmd.err" || skip "slurmd does not start: $(tail -1 "$state/slurmd.log" 2>/dev/null)"
for _ in $(seq 100); do
  if sinfo -h -o %t 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then
    echo "$SLURM_CONF"
    exit 0
  fi
  sleep 0.3
done
skip "the node did not come up: $(tail -2 "$state/slurmctld.log" 2>/dev/null | tr '\n' ' ')"
