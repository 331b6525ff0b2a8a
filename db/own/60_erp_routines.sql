-- Server routines of the ERP system in accounts_dep, called by the journal.
-- Position ids are bigint, so a call with any integer type or a quoted number
-- resolves; goods ids are ERP ids (t_id) and take numerics as well.

-- Quantity as short text: at most 3 decimals, no trailing zeros, and the decimal comma
-- the boxes beside a caption show.
create or replace function accounts_dep.qty_text(q numeric) returns text
language sql immutable as $$
    select replace(trim_scale(round(coalesce(q, 0), 3))::text, '.', ',')
$$;

-- Consignments (batches) of a goods item at every stock, oldest first:
-- s_caption "Партия № <n> от <date>", s_full_caption adds the goods item and
-- the quantity on hand, stock_s_caption names the stock.
create or replace function accounts_dep.show_consignment(p_id_gds t_id)
returns table (id t_id, s_caption text, s_full_caption text, stock_s_caption text)
language sql stable as $$
    select c.id,
           format('Партия № %s от %s', c.s_number, to_char(c.d_date, 'dd.mm.yyyy')),
           format('%s: партия № %s от %s, остаток %s %s', g.s_caption, c.s_number,
                  to_char(c.d_date, 'dd.mm.yyyy'),
                  accounts_dep.qty_text(coalesce(b.f_qty, 0)), g.s_msm_ident),
           st.s_caption
    from whs_stock.consignment c
    join cmn_gds_and_srv.gds_and_srv g on g.id = c.id_gds
    join whs_stock.stock st on st.id = c.id_stock
    left join whs_stock.balance b on b.id_consignment = c.id
    where c.id_gds = p_id_gds
    order by c.d_date, c.id
$$;

-- Lines of open requisitions that ask for the goods item in the colour (0 for
-- none) and still require a quantity: f_qty_need = line quantity less the
-- journal's kol_vo on that line ('ta' excluded); s_doc_hl is the requisition's
-- caption, s_caption the requisition and the line.
create or replace function accounts_dep.get_doc_item_by_gds(p_id_gds t_id, p_id_gds_color t_id)
returns table (id t_id, s_caption text, f_qty_need numeric, id_doc t_id, s_doc_hl text)
language sql stable as $$
    select x.id, format('%s: %s %s', x.s_doc_hl, accounts_dep.qty_text(x.need), x.s_msm_ident),
           x.need, x.id_doc, x.s_doc_hl
    from (
        select l.id, l.id_doc, l.s_msm_ident,
               format('Заявка № %s от %s', l.s_number, to_char(l.d_date, 'dd.mm.yyyy')) as s_doc_hl,
               l.f_qty - l.made as need,
               l.d_date
        from accounts_dep.v_mnf_open_line l
        where l.id_gds = p_id_gds and l.id_gds_color = coalesce(p_id_gds_color, 0)
    ) x
    where x.need > 0
    order by x.d_date, x.id
$$;

-- The requisition line a journal position was done for, captioned like the
-- lines of v_mnf_requisition_item; no row when the position has none. Closed
-- requisitions count too: old positions are viewed as well.
create or replace function accounts_dep.get_doc_item_caption_by_smena(p_id bigint)
returns table (id t_id, s_caption text)
language sql stable as $$
    select di.id,
           format('%s%s, %s %s', g.s_caption,
                  case when di.id_gds_color <> 0
                       then format(' (%s)', coalesce(c.s_caption, di.id_gds_color::text)) else '' end,
                  replace(trim_scale(di.f_qty)::text, '.', ','), g.s_msm_ident)
    from accounts_dep.smena s
    join mnf_doc.doc_item di on di.id = s.id_doc_item
    join cmn_gds_and_srv.gds_and_srv g on g.id = di.id_gds
    left join cmn_gds_and_srv.gds_and_srv c on c.id = di.id_gds_color
    where s.id = p_id
$$;

-- What is left of a goods item for a journal position, always exactly one row.
-- Stock figures: on hand = balances of the item's consignments, reserved(doc) =
-- its reservations for a requisition. The journal's recorded consumption of
-- the item (smena_gds_use) is taken first from the reservation of the
-- consuming position's requisition, the rest from free stock:
--   'reserved' = max(reserved(D) - used(D), 0), D = the position's requisition;
--   'free'     = max(on hand - sum over requisitions of max(reserved, used), 0),
--                consumption of positions without requisition counting as
--                used with nothing reserved.
-- A position or goods item that does not exist gives f_qty 0 and an empty caption;
-- a mode other than 'free' or 'reserved' is an error.
create or replace function accounts_dep.get_reminder_qty_by_smena(p_id_smena bigint, p_id_gds t_id, p_mode text)
returns table (s_full_caption text, f_qty numeric)
language plpgsql stable as $$
declare
    v_doc     t_id;
    v_unit    text;
    v_on_hand numeric;
    v_qty     numeric;
begin
    if p_mode is null or p_mode not in ('free', 'reserved') then
        raise exception 'Неизвестный вид остатка: "%" (ожидается free или reserved)', p_mode;
    end if;

    select coalesce(s.id_doc, 0) into v_doc from accounts_dep.smena s where s.id = p_id_smena;
    select g.s_msm_ident into v_unit from cmn_gds_and_srv.gds_and_srv g where g.id = p_id_gds;
    if v_doc is null or v_unit is null then
        return query select ''::text, 0::numeric;
        return;
    end if;

    if p_mode = 'reserved' then
        select greatest(coalesce((select sum(r.f_qty) from whs_stock.reserve r
                                  join whs_stock.consignment c on c.id = r.id_consignment
                                  where c.id_gds = p_id_gds and r.id_doc = v_doc and v_doc <> 0), 0)
                      - coalesce((select sum(u.f_qty_use)::numeric from accounts_dep.smena_gds_use u
                                  join accounts_dep.smena s on s.id = u.id_smena
                                  where u.id_gds_use = p_id_gds and s.id_doc = v_doc and v_doc <> 0), 0),
                        0)
          into v_qty;
        return query select format('В резерве по заявке: %s %s', accounts_dep.qty_text(v_qty), v_unit), v_qty;
        return;
    end if;

    select coalesce(sum(b.f_qty), 0) into v_on_hand
    from whs_stock.consignment c join whs_stock.balance b on b.id_consignment = c.id
    where c.id_gds = p_id_gds;

    with reserved as (
        select r.id_doc, sum(r.f_qty) as q
        from whs_stock.reserve r join whs_stock.consignment c on c.id = r.id_consignment
        where c.id_gds = p_id_gds
        group by r.id_doc
    ), used as (
        select coalesce(s.id_doc, 0) as id_doc, sum(u.f_qty_use)::numeric as q
        from accounts_dep.smena_gds_use u join accounts_dep.smena s on s.id = u.id_smena
        where u.id_gds_use = p_id_gds
        group by coalesce(s.id_doc, 0)
    )
    select greatest(v_on_hand - coalesce(sum(greatest(coalesce(r.q, 0), coalesce(u.q, 0))), 0), 0)
      into v_qty
    from reserved r full join used u on u.id_doc = r.id_doc;

    return query select format('Свободно: %s %s', accounts_dep.qty_text(v_qty), v_unit), v_qty;
end $$;

-- Goods a journal position may consume: the materials of its product in the
-- manufacturing norms (mnf_operation.operation, id_gds_to = the product) and,
-- when the position has a colour, the colour goods item as a paint
-- (b_is_color true). Materials first, then by caption.
create or replace function accounts_dep.get_gds_from_by_smena(p_id_smena bigint)
returns table (id t_id, s_caption text, b_is_color boolean)
language sql stable as $$
    select x.id, x.s_caption, x.b_is_color
    from (
        select distinct on (g.id) g.id, g.s_caption, m.b_is_color
        from (
            select o.id_gds_from as id_gds, false as b_is_color
            from accounts_dep.smena s
            join mnf_operation.operation o on o.id_gds_to = s.i_id
            where s.id = p_id_smena
            union all
            select s.color, true
            from accounts_dep.smena s
            where s.id = p_id_smena and s.color > 0
        ) m
        join cmn_gds_and_srv.gds_and_srv g on g.id = m.id_gds
        order by g.id, m.b_is_color desc
    ) x
    order by x.b_is_color, x.s_caption
$$;

-- Accepts a journal position: its state becomes 'ok' and its bonus percent
-- (prize) that of the highest norm step of its operation whose norma the good
-- pieces (kol_vo - brak) reach, 0 when none. A missing position is an error.
-- Runs with the rights of its owner, who may set only ok and prize (roles.sql).
create or replace function accounts_dep.smena__accept_row_hwo(p_id bigint)
returns void
language plpgsql as $$
begin
    update accounts_dep.smena s
       set ok = 'ok',
           prize = coalesce((select n.prize from accounts_dep.norm n
                             where n.o_id = s.o_id
                               and n.norma <= coalesce(s.kol_vo, 0) - coalesce(s.brak, 0)
                             order by n.norma desc, n.id
                             limit 1), 0)
     where s.id = p_id;
    if not found then
        raise exception 'Позиция журнала № % не найдена', p_id;
    end if;
end $$;

-- Shares a journal position among its own worker and the brigade members
-- recorded for it in person_temp (distinct persons; a person who is the
-- position's own worker is ignored): n = 1 + members, the worker's row first,
-- then the members by worker number. The good pieces (kol_vo - brak) are shared
-- equally: every member gets them / n cut down to 3 decimals (never rounded up,
-- so the worker's rest cannot go below 0) and the worker keeps the rest. The
-- rejects, whole pieces, are spread as evenly as they go: every row gets
-- brak / n rounded down, and the first brak mod n rows one more. A row's kol_vo
-- is its good share plus its rejects, so no row holds more rejects than pieces
-- and kol_vo, brak and the amount (kol_vo - brak) * cena add up to the
-- position's. Every member gets a copy of the position (same date, shift,
-- product, operation, price, colour, requisition fields and hours, since they
-- worked together; ok 'no') with w_id = the member's worker number and
-- id_smena_from = the position the brigade's materials are recorded on: this
-- one, or the one it was itself divided from. The members' timesheet cells of
-- that date and shift are set to the sum of their hours there. The person_temp
-- rows of the position are deleted, so a second call changes nothing. An
-- accepted position ('ok', 'да'), a missing one, and one whose rejects are
-- below 0 or above its kol_vo are refused. Runs with the rights of its owner tabel_divide
-- (roles.sql): the history knows the rows it writes by that role.
create or replace function accounts_dep.divide_between_person(p_id bigint)
returns void
language plpgsql as $$
declare
    pos         accounts_dep.smena%rowtype;
    members     integer[];
    n           integer;
    good        numeric;
    share       numeric;
    rejects     integer;
    own_rejects integer;
    yr          smallint;
    mon         smallint;
begin
    select * into pos from accounts_dep.smena where id = p_id for update;
    if not found then
        raise exception 'Позиция журнала № % не найдена', p_id;
    end if;
    if pos.ok in ('ok', 'да') then
        raise exception 'Позиция журнала № % уже принята, делить её нельзя', p_id;
    end if;

    select array_agg(distinct p.s_code::integer order by p.s_code::integer)
      into members
    from accounts_dep.person_temp pt
    join cmn_contractor.person p on p.id = pt.id_person
    where pt.id_smena = p_id
      and p.s_code::integer is distinct from pos.w_id;

    n := 1 + coalesce(cardinality(members), 0);
    if n > 1 then
        rejects := coalesce(pos.brak, 0);
        good := coalesce(pos.kol_vo, 0)::numeric - rejects;
        if rejects < 0 then
            raise exception 'В позиции журнала № % брак меньше нуля (%), делить её нельзя',
                            p_id, rejects;
        end if;
        if good < 0 then
            raise exception
                'В позиции журнала № % брака (%) больше, чем изготовлено (%), делить её нельзя',
                p_id, rejects, coalesce(pos.kol_vo, 0);
        end if;
        share := trunc(good / n, 3);
        -- row k (0 = the worker) gets one reject more while k < rejects mod n
        own_rejects := rejects / n + case when rejects % n > 0 then 1 else 0 end;

        insert into accounts_dep.smena
            (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod,
             prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use, id_smena_from)
        select pos.data, pos.smena, m.w, pos.i_id, pos.o_id, pos.cena, share + r.brak, r.brak,
               pos.time, pos.color, 'no', pos.vvod, pos.prize, pos.id_doc, pos.id_doc_item, 0,
               pos.id_gds_use, 0, coalesce(pos.id_smena_from, pos.id)
        from unnest(members) with ordinality m(w, k)
        cross join lateral (
            select (rejects / n + case when m.k < rejects % n then 1 else 0 end)::smallint as brak
        ) r
        order by m.k;

        update accounts_dep.smena
           set kol_vo = good - share * (n - 1) + own_rejects,
               brak = own_rejects
         where id = p_id;

        yr := extract(year from pos.data);
        mon := extract(month from pos.data);
        -- a month rebuild must not interleave with the cells written here
        perform pg_advisory_xact_lock_shared(yr, mon);
        -- The members' rows are locked before their sums are read, in a statement of its
        -- own: a roll-up that held one meanwhile has committed by then and its hours count.
        insert into accounts_dep.h_tabel (w_id, smena, month, year)
        select m, pos.smena, mon, yr from unnest(members) m order by m
        on conflict (w_id, smena, month, year) do nothing;
        perform 1 from accounts_dep.h_tabel h
        where h.w_id = any (members) and h.smena = pos.smena and h.month = mon and h.year = yr
        order by h.w_id
        for update;

        execute format(
            'update accounts_dep.h_tabel h
                set d%s = (select coalesce(sum(s.time), 0) from accounts_dep.smena s
                           where s.w_id = h.w_id and s.smena = $1 and s.data = $4)
              where h.w_id = any ($5) and h.smena = $1 and h.month = $2 and h.year = $3',
            extract(day from pos.data)::integer)
        using pos.smena, mon, yr, pos.data, members;
    end if;

    delete from accounts_dep.person_temp where id_smena = p_id;
end $$;
