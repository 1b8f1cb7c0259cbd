#!/bin/bash
# A one-node Slurm cluster for the tests: this machine is controller and node, everything it
# keeps (config, munge key, state, spool, logs, pids) lives under one folder.
#   cluster.sh start DIR   starts munged, slurmctld and slurmd; waits for the node to be idle
#   cluster.sh stop DIR    stops them by their process ids and removes nothing else
# Clients find the cluster through SLURM_CONF=DIR/slurm.conf.
set -u

die() { echo "cluster.sh: $*" >&2; exit 1; }

[ $# -eq 2 ] || die "usage: cluster.sh start|stop DIR"
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd) || die "cannot make $2"
export SLURM_CONF=$dir/slurm.conf

stop_pid() {  # name: ends the daemon whose pid file is DIR/NAME.pid
    local file=$dir/$1.pid pid
    [ -s "$file" ] || return 0
    pid=$(cat "$file")
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$file"
}

stop() {
    stop_pid slurmd
    stop_pid slurmctld
    stop_pid munged
}

write_conf() {
    local host cpus
    host=$(hostname -s)
    cpus=$(nproc)
    mkdir -p "$dir/state" "$dir/spool" "$dir/log" "$dir/munge"
    cat >"$dir/slurm.conf" <<CONF
ClusterName=kolshelltest
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
SlurmctldPort=$PORT_CTLD
SlurmdPort=$PORT_D
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
SelectType=select/linear
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
ReturnToService=2
MinJobAge=600
MaxArraySize=10001
MaxJobCount=20000
SlurmctldTimeout=30
SlurmdTimeout=30
InactiveLimit=0
KillWait=2
NodeName=$host CPUs=$cpus State=UNKNOWN
PartitionName=debug Nodes=$host Default=YES MaxTime=INFINITE State=UP OverSubscribe=FORCE:4
CONF
}

start_munge() {
    local key=$dir/munge/munge.key
    [ -s "$key" ] || { dd if=/dev/urandom of="$key" bs=1024 count=1 2>/dev/null && chmod 400 "$key"; } ||
        die "cannot write the munge key"
    chmod 700 "$dir/munge"
    munged --force --key-file="$key" --socket="$dir/munge/munge.socket" \
        --pid-file="$dir/munged.pid" --log-file="$dir/log/munged.log" \
        --seed-file="$dir/munge/munge.seed" ||
        die "munged did not start (see $dir/log/munged.log)"
}

wait_idle() {
    local host state
    host=$(hostname -s)
    for _ in $(seq 120); do
        state=$(sinfo -h -n "$host" -o %t 2>/dev/null | head -1)
        case $state in idle*) return 0 ;; esac
        # A node left down by an earlier cluster in this folder is brought back.
        case $state in down* | drain*) scontrol update NodeName="$host" State=RESUME >/dev/null 2>&1 ;; esac
        sleep 0.5
    done
    echo "cluster.sh: node $host is not idle after 60 s (sinfo: ${state:-no answer})" >&2
    tail -5 "$dir/log/slurmctld.log" "$dir/log/slurmd.log" >&2 2>/dev/null
    return 1
}

case $action in
start)
    for p in munged slurmctld slurmd sinfo; do
        command -v $p >/dev/null || die "$p was not found: install slurm-wlm and munge"
    done
    stop  # whatever an earlier start in this folder left behind
    # Ports of our own so that a cluster of the machine, if any, is not disturbed.
    PORT_CTLD=${KOLSHELL_SLURM_PORT:-16817}
    PORT_D=$((PORT_CTLD + 1))
    write_conf
    start_munge
    slurmctld -f "$SLURM_CONF" -c || { stop; die "slurmctld did not start (see $dir/log/slurmctld.log)"; }
    slurmd -f "$SLURM_CONF" || { stop; die "slurmd did not start (see $dir/log/slurmd.log)"; }
    wait_idle || { stop; exit 1; }
    echo "cluster.sh: node $(hostname -s) idle; SLURM_CONF=$SLURM_CONF"
    ;;
stop)
    stop
    ;;
*)
    die "usage: cluster.sh start|stop DIR"
    ;;
esac
