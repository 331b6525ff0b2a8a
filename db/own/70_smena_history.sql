-- Every workstation follows the journal, and every change of a position is kept.
--
-- The server announces each change of a position on the channel tabel_smena, from
-- whichever client it comes (psql included), at the commit of its transaction. The
-- payload is "YYYY-MM-DD shift id": the date and shift whose journal changed and the
-- position. Identical payloads of one transaction reach the listeners once. An update that
-- moves a position announces its old place and its new one.

create or replace function accounts_dep.smena_notify() returns trigger
language plpgsql as $$
begin
    if tg_op = 'UPDATE' and new is not distinct from old then
        return null;
    end if;
    if tg_op <> 'INSERT' then
        perform pg_notify('tabel_smena',
                          concat_ws(' ', to_char(old.data, 'YYYY-MM-DD'), old.smena, old.id));
    end if;
    if tg_op = 'INSERT'
       or (tg_op = 'UPDATE' and (new.data, new.smena) is distinct from (old.data, old.smena)) then
        perform pg_notify('tabel_smena',
                          concat_ws(' ', to_char(new.data, 'YYYY-MM-DD'), new.smena, new.id));
    end if;
    return null;
end $$;

create or replace trigger smena_notify after insert or update or delete on accounts_dep.smena
    for each row execute function accounts_dep.smena_notify();

-- A timesheet row is announced on tabel_h_tabel alike, its date the first of its month; the
-- server sends one of equal payloads per transaction, so a month's rebuild costs a few.
create or replace function accounts_dep.h_tabel_notify() returns trigger
language plpgsql as $$
declare
    r accounts_dep.h_tabel%rowtype;
begin
    if tg_op = 'DELETE' then
        r := old;
    elsif new is distinct from old or tg_op = 'INSERT' then
        r := new;
    else
        return null;
    end if;
    perform pg_notify('tabel_h_tabel',
                      concat_ws(' ', to_char(make_date(r.year, r.month, 1), 'YYYY-MM-DD'),
                                r.smena, 0));
    return null;
end $$;

create or replace trigger h_tabel_notify after insert or update or delete on accounts_dep.h_tabel
    for each row execute function accounts_dep.h_tabel_notify();

-- The history of the positions, for the pay disputes: who changed what, and when. The
-- trigger below writes it, not the program, so every client is logged. Nobody changes or
-- deletes it: no login holds a right to, and the triggers after the table refuse even its
-- owner. A row is kept after its position is gone.
create table if not exists accounts_dep.smena_log (
    id       bigserial primary key,
    at       timestamptz not null,   -- the transaction's start, server time
    login    text not null,          -- the session's login
    kind     text not null check (kind in ('insert', 'update', 'accept', 'divide', 'delete',
                                          'close', 'reopen')),
    id_smena integer,                -- none for a month's close or reopen
    data     date,                   -- the position's date, shift and worker after the change
    smena    smallint,               -- (before it, for a deletion)
    w_id     integer,
    old      jsonb,                  -- a deletion: the whole row; an update: the fields it changed
    new      jsonb,                  -- an insert: the whole row; an update: their new values
                                     -- (a close or reopen: data is the month's first day)
    constraint smena_log_position check ((id_smena is null) = (kind in ('close', 'reopen')))
);
create index if not exists smena_log_smena on accounts_dep.smena_log (id_smena, id);
create index if not exists smena_log_at on accounts_dep.smena_log (at);

-- The kind tells the reason of an update: 'accept' when the state becomes accepted (by the
-- accepting routine or by hand), 'divide' when the brigade's division wrote the row (its
-- original and its copies). The division runs as its owner tabel_divide, a role no login is
-- and none can become (roles.sql); the condition of the trigger that hands this function
-- 'divide' sees the role writing the row, which no text of a caller's statement changes. The
-- login is session_user: the accepting routine and the division run as their owners, while
-- the person who asked for them is the session's login. Runs as tabel_log (roles.sql), the
-- one role that may insert into the log.
create or replace function accounts_dep.smena_log_row() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    v_old      jsonb;
    v_new      jsonb;
    v_kind     text;
    v_row      accounts_dep.smena%rowtype;
    v_division constant boolean := tg_nargs > 0 and tg_argv[0] = 'divide';
begin
    if tg_op = 'INSERT' then
        v_new := to_jsonb(new);
        v_kind := case when v_division then 'divide' else 'insert' end;
        v_row := new;
    elsif tg_op = 'DELETE' then
        v_old := to_jsonb(old);
        v_kind := 'delete';
        v_row := old;
    else
        select jsonb_object_agg(o.key, o.value), jsonb_object_agg(o.key, n.value)
          into v_old, v_new
        from jsonb_each(to_jsonb(old)) o
        join jsonb_each(to_jsonb(new)) n on n.key = o.key
        where o.value is distinct from n.value;
        if v_old is null then
            return null; -- written as it was
        end if;
        v_kind := case when new.ok in ('ok', 'да') and coalesce(old.ok, '') not in ('ok', 'да')
                       then 'accept'
                       when v_division then 'divide'
                       else 'update' end;
        v_row := new;
    end if;
    insert into accounts_dep.smena_log (at, login, kind, id_smena, data, smena, w_id, old, new)
    values (now(), session_user, v_kind, v_row.id, v_row.data, v_row.smena, v_row.w_id,
            v_old, v_new);
    return null;
end $$;

-- Exactly one of the two fires for a row.
create or replace trigger smena_log after insert or update or delete on accounts_dep.smena
    for each row when (current_user <> 'tabel_divide')
    execute function accounts_dep.smena_log_row();
create or replace trigger smena_log_division after insert or update or delete on accounts_dep.smena
    for each row when (current_user = 'tabel_divide')
    execute function accounts_dep.smena_log_row('divide');

create or replace function accounts_dep.smena_log_refuse() returns trigger
language plpgsql as $$
begin
    raise exception 'История изменений журнала только пополняется: изменять и удалять её нельзя'
        using errcode = 'insufficient_privilege';
end $$;

create or replace trigger smena_log_refuse before update or delete on accounts_dep.smena_log
    for each row execute function accounts_dep.smena_log_refuse();
create or replace trigger smena_log_refuse_truncate before truncate on accounts_dep.smena_log
    for each statement execute function accounts_dep.smena_log_refuse();

-- TRUNCATE passes by the row triggers: the positions would go without their history and
-- without a word to the workstations, the timesheet's rows without a word either. It is
-- refused, to the owner too; rows are deleted with DELETE. (The material and brigade rows
-- are neither logged nor announced, so their TRUNCATE loses nothing a DELETE would tell.)
create or replace function accounts_dep.truncate_refuse() returns trigger
language plpgsql as $$
begin
    raise exception '%', tg_argv[0] using errcode = 'insufficient_privilege';
end $$;

create or replace trigger smena_refuse_truncate before truncate on accounts_dep.smena
    for each statement execute function accounts_dep.truncate_refuse(
        'Журнал нельзя очистить командой TRUNCATE: позиции ушли бы мимо истории изменений и '
        'рабочих мест; удаляйте их командой DELETE');
create or replace trigger h_tabel_refuse_truncate before truncate on accounts_dep.h_tabel
    for each statement execute function accounts_dep.truncate_refuse(
        'Табель нельзя очистить командой TRUNCATE: рабочие места не узнали бы об этом; '
        'удаляйте строки командой DELETE');
